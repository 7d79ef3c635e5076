/* Writes sample.pdf, the project's own small sample document: two Letter
 * pages with a heading, body text, a ruled table and a few filled shapes.
 * With --getting-started it writes instead the sample that the application's
 * Help menu adds to the list: one page that tells how to convert a PDF, with
 * a table of the output formats.
 *
 *   cc make_sample.c $(pkg-config --cflags --libs cairo) -o make_sample
 *   ./make_sample sample.pdf
 *   ./make_sample --getting-started "../engine/resources/VQVellumate/Getting Started.pdf"
 */
#include <cairo-pdf.h>
#include <cairo.h>
#include <stdio.h>
#include <string.h>

static void text(cairo_t* cr, double x, double y, double size, int bold, const char* s) {
  cairo_select_font_face(cr, "Liberation Serif", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s);
}

static void table(cairo_t* cr, double x, double y) {
  static const char* cells[4][3] = {
      {"Item", "Quantity", "Price"}, {"Paper", "12", "3.50"}, {"Ink", "2", "18.00"}, {"Binder", "1", "7.25"}};
  const double w = 120, h = 22;
  cairo_set_line_width(cr, 0.8);
  for (int r = 0; r <= 4; ++r) {
    cairo_move_to(cr, x, y + r * h);
    cairo_line_to(cr, x + 3 * w, y + r * h);
  }
  for (int c = 0; c <= 3; ++c) {
    cairo_move_to(cr, x + c * w, y);
    cairo_line_to(cr, x + c * w, y + 4 * h);
  }
  cairo_stroke(cr);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) text(cr, x + c * w + 6, y + r * h + 15, 11, r == 0, cells[r][c]);
}

static void sample(cairo_t* cr) {
  cairo_set_source_rgb(cr, 0, 0, 0);
  text(cr, 72, 96, 24, 1, "Sample Document");
  const char* lines[] = {
      "This page holds ordinary body text set in a serif face, a small",
      "ruled table below it, and nothing else. The second page shows",
      "filled shapes in a few colours and one more paragraph.",
  };
  for (int i = 0; i < 3; ++i) text(cr, 72, 140 + i * 16, 12, 0, lines[i]);
  table(cr, 72, 220);
  cairo_show_page(cr);

  text(cr, 72, 96, 18, 1, "Shapes");
  cairo_set_source_rgb(cr, 0.85, 0.2, 0.2);
  cairo_rectangle(cr, 72, 130, 150, 90);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.2, 0.45, 0.85);
  cairo_arc(cr, 360, 175, 45, 0, 6.283185307179586);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  text(cr, 72, 260, 12, 0, "A red rectangle and a blue circle, drawn as vector paths.");
  cairo_show_page(cr);
}

static void getting_started(cairo_t* cr) {
  cairo_set_source_rgb(cr, 0.85, 0.6, 0.04);
  cairo_rectangle(cr, 0, 0, 612, 86);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  text(cr, 54, 56, 28, 1, "Getting Started with Vellumate");
  cairo_set_source_rgb(cr, 0, 0, 0);
  static const char* steps[] = {
      "1. Add PDF files: drop them on the list, or press Convert (or File > Add Files).",
      "2. Select a file and pick its output format and pages on the right.",
      "3. Press Convert. The first time, choose the folder that receives the files.",
      "4. Each row shows the page being converted, then its result. Click the",
      "    format icon of a finished row to open what was made.",
  };
  text(cr, 54, 130, 16, 1, "Convert a PDF");
  for (int i = 0; i < 5; ++i) text(cr, 54, 160 + i * 22, 12, 0, steps[i]);
  text(cr, 54, 300, 16, 1, "Output formats");
  static const char* rows[][2] = {{"Format", "Made for"},
                                  {"Word (.docx)", "editing text with its layout"},
                                  {"Excel (.xlsx), CSV", "tables and figures"},
                                  {"PowerPoint (.pptx)", "slides"},
                                  {"Text, RTF, HTML", "plain or simply styled text"},
                                  {"Images", "one picture per page"}};
  const double x = 54, y = 316, w0 = 180, w1 = 300, h = 24;
  cairo_set_line_width(cr, 0.8);
  for (int r = 0; r <= 6; ++r) {
    cairo_move_to(cr, x, y + r * h);
    cairo_line_to(cr, x + w0 + w1, y + r * h);
  }
  for (int c = 0; c < 3; ++c) {
    const double cx = c == 0 ? x : c == 1 ? x + w0 : x + w0 + w1;
    cairo_move_to(cr, cx, y);
    cairo_line_to(cr, cx, y + 6 * h);
  }
  cairo_stroke(cr);
  for (int r = 0; r < 6; ++r) {
    text(cr, x + 8, y + r * h + 16, 11, r == 0, rows[r][0]);
    text(cr, x + w0 + 8, y + r * h + 16, 11, r == 0, rows[r][1]);
  }
  text(cr, 54, 500, 16, 1, "Passwords and page ranges");
  text(cr, 54, 528, 12, 0, "A protected PDF asks for its password when it is added. A range such as");
  text(cr, 54, 548, 12, 0, "1,5,3-12 converts those pages in that order.");
}

int main(int argc, char** argv) {
  const int guide = argc > 1 && strcmp(argv[1], "--getting-started") == 0;
  const char* path = argc > 1 + guide ? argv[1 + guide] : guide ? "Getting Started.pdf" : "sample.pdf";
  cairo_surface_t* surface = cairo_pdf_surface_create(path, 612, 792);
  cairo_t* cr = cairo_create(surface);
  if (guide) {
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "Getting Started with Vellumate");
    getting_started(cr);
  } else {
    sample(cr);
  }

  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    fprintf(stderr, "make_sample: %s\n", cairo_status_to_string(status));
    return 1;
  }
  return 0;
}

#include <gtest/gtest.h>
#include <qpdf/FileInputSource.hh>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/pdf/PdfFileSource.h"
#include "support/TestSupport.h"

namespace {

// Every step gives the same bytes, offsets and line ends as qpdf's own file
// source over the same file: reads inside, across and past the window,
// larger than it, after seeks from the start, the position and the end,
// and line-end skips over \r, \n and runs of both.
TEST(PdfFileSource, ReadsAsQpdfsFileSourceDoes) {
  vqtest::ScratchDir dir;
  const auto path = (dir / "bytes.pdf").string();
  std::string bytes;
  for (int i = 0; bytes.size() < 200 * 1024; ++i)
    bytes += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r\r\n\n");
  bytes += "tail without end of line";
  std::ofstream(path, std::ios::binary) << bytes;

  vq::pdf::PdfFileSource ours(path);
  FileInputSource theirs(path.c_str());
  struct Step {
    char what;  // r read, s seek, e skip to the next line end, u unread the last byte read
    qpdf_offset_t offset;
    int whence;
    size_t length;
  };
  const std::vector<Step> steps = {
      {'r', 0, 0, 20},
      {'s', 65530, SEEK_SET, 0},
      {'r', 0, 0, 20},
      {'e', 0, 0, 0},
      {'r', 0, 0, 1},
      {'u', 0, 0, 0},
      {'r', 0, 0, 1},
      {'s', -40, SEEK_CUR, 0},
      {'r', 0, 0, 100000},
      {'s', -30, SEEK_END, 0},
      {'e', 0, 0, 0},
      {'r', 0, 0, 50},
      {'s', 131070, SEEK_SET, 0},
      {'e', 0, 0, 0},
      {'e', 0, 0, 0},
      {'r', 0, 0, 7},
      {'s', 10, SEEK_END, 0},
      {'r', 0, 0, 10},
      {'s', 3, SEEK_SET, 0},
      {'r', 0, 0, 70000},
      {'r', 0, 0, 70000},
  };
  char last = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    const Step& s = steps[i];
    if (s.what == 'r') {
      std::string a(s.length, '\0'), b(s.length, '\0');
      const size_t na = ours.read(a.data(), a.size()), nb = theirs.read(b.data(), b.size());
      ASSERT_EQ(na, nb);
      EXPECT_EQ(a.substr(0, na), b.substr(0, nb));
      EXPECT_EQ(ours.getLastOffset(), theirs.getLastOffset());
      if (na > 0) last = a[na - 1];
    } else if (s.what == 's') {
      ours.seek(s.offset, s.whence);
      theirs.seek(s.offset, s.whence);
    } else if (s.what == 'e') {
      EXPECT_EQ(ours.findAndSkipNextEOL(), theirs.findAndSkipNextEOL());
      EXPECT_EQ(ours.getLastOffset(), theirs.getLastOffset());
    } else {
      ours.unreadCh(last);
      theirs.unreadCh(last);
    }
    EXPECT_EQ(ours.tell(), theirs.tell());
  }
}

// The file is read at the size it had when opened. Bytes beyond it, from a
// file that grew since or one that reports no size yet has content (as the
// system's own files under /proc do), are never returned: the position is
// clamped to that size, and reading past it again and again kept a scan for
// the file's header or end from ever ending.
TEST(PdfFileSource, ReadsNoFurtherThanTheSizeAtOpening) {
  vqtest::ScratchDir dir;
  const auto path = (dir / "growing.pdf").string();
  std::ofstream(path, std::ios::binary) << "0123456789";
  vq::pdf::PdfFileSource source(path);
  std::ofstream(path, std::ios::binary | std::ios::app) << std::string(100, '\n');

  std::string buffer(1000, '\0');
  EXPECT_EQ(source.read(buffer.data(), buffer.size()), 10u);
  EXPECT_EQ(buffer.substr(0, 10), "0123456789");
  EXPECT_EQ(source.read(buffer.data(), buffer.size()), 0u);
  EXPECT_EQ(source.tell(), 10);
  source.seek(0, SEEK_SET);
  EXPECT_EQ(source.findAndSkipNextEOL(), 10);
  EXPECT_EQ(source.tell(), 10);

  vq::pdf::PdfFileSource noSize("/proc/self/stat");
  EXPECT_EQ(noSize.read(buffer.data(), buffer.size()), 0u);
  EXPECT_EQ(noSize.findAndSkipNextEOL(), 0);
}

TEST(PdfFileSource, MissingFileIsAnError) {
  vqtest::ScratchDir dir;
  EXPECT_THROW(vq::pdf::PdfFileSource((dir / "none.pdf").string()), std::runtime_error);
}

}  // namespace

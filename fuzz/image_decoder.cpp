// Image decoder: the first ten bytes choose the image dictionary (size,
// bits per component, colour space, filter, its parameters and the extras
// below), the rest is the stream's raw (still filtered) data.
//
//   0-1 Width, 2-3 Height (big-endian), 4 BitsPerComponent, 5 ColorSpace,
//   6 Filter, 7 DecodeParms, 8 extras (bits: Decode, SMask, colour-key Mask,
//   stencil Mask, decode as a mask stream, ImageMask, colour space by
//   resource name, Interpolate), 9 odd sizes (negative, real, missing).
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>

#include "pdf/images/VQPDFImageDecoder.h"
#include "platform/pdf/PdfObjectImpl.h"

namespace {

const char* const kBits[] = {"1", "2", "4", "8", "16", "0", "3", "32"};

const char* const kColorSpaces[] = {
    "/DeviceGray",
    "/DeviceRGB",
    "/DeviceCMYK",
    "[/Indexed /DeviceRGB 3 <FF000000FF000000FFFFFFFF>]",
    "[/Indexed /DeviceGray 255 <00>]",
    "[/CalRGB << /WhitePoint [0.95 1 1.09] /Gamma [2.2 2.2 2.2] >>]",
    "[/CalGray << /WhitePoint [0.95 1 1.09] >>]",
    "[/Lab << /WhitePoint [0.95 1 1.09] /Range [-100 100 -100 100] >>]",
    "[/Separation /Spot /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 1 1 0] /N 1 >>]",
    "[/DeviceN [/A /B] /DeviceRGB << /FunctionType 2 /Domain [0 1 0 1] /C0 [0 0 0] /C1 [1 1 1] /N 1 >>]",
    "/Pattern",
    "[/Indexed [/Indexed /DeviceRGB 1 <000000>] 1 <0001>]",
    "/Unknown",
    "[/ICCBased 0]",  // the 0 is replaced by a stream with an /N (and the data as its profile)
};

const char* const kFilters[] = {
    "",
    "/FlateDecode",
    "/LZWDecode",
    "/ASCIIHexDecode",
    "/ASCII85Decode",
    "/RunLengthDecode",
    "/DCTDecode",
    "/JPXDecode",
    "/CCITTFaxDecode",
    "/JBIG2Decode",
    "[/ASCIIHexDecode /FlateDecode]",
    "[/FlateDecode /DCTDecode]",
    "[/ASCII85Decode /CCITTFaxDecode]",
    "/Crypt",
};

const char* const kParms[] = {
    "",
    "<< /Predictor 2 /Colors 3 /BitsPerComponent 8 /Columns 4 >>",
    "<< /Predictor 12 /Colors 1 /BitsPerComponent 8 /Columns 8 >>",
    "<< /Predictor 15 /Colors 4 /BitsPerComponent 16 /Columns 3 >>",
    "<< /K -1 /Columns W >>",  // W: the image's width
    "<< /K 0 /Columns W /BlackIs1 true >>",
    "<< /K 2 /Columns 96 /EncodedByteAlign true /EndOfBlock false >>",
    "<< /K -1 /Columns 0 >>",
    "<< /ColorTransform 0 >>",
    "<< /ColorTransform 1 >>",
    "<< /JBIG2Globals 0 >>",  // the 0 is replaced by a stream of the data
    "<< /EarlyChange 0 >>",
    "[null << /Predictor 10 /Columns 2 >>]",
    "<< /Predictor 2 /Colors 0 /BitsPerComponent 1 /Columns 1000000 >>",
    "<< /Predictor 15 /Colors 1 /BitsPerComponent 8 /Columns W >>",
    "<< /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns W >>",
    "<< /K -1 /Columns 32 /Rows 4 >>",
};

template <size_t N>
const char* pick(const char* const (&table)[N], uint8_t b) {
  return table[b % N];
}

QPDFObjectHandle streamOf(QPDF& qpdf, const std::string& dict, const std::string& data) {
  QPDFObjectHandle s = QPDFObjectHandle::newStream(&qpdf, data);
  QPDFObjectHandle d = QPDFObjectHandle::parse(dict);
  for (const auto& key : d.getKeys()) s.getDict().replaceKey(key, d.getKey(key));
  return qpdf.makeIndirectObject(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* in, size_t size) {
  constexpr size_t kHeader = 10;
  if (size < kHeader) return 0;
  const int64_t width = (in[0] << 8) | in[1], height = (in[2] << 8) | in[3];
  const uint8_t extras = in[8], odd = in[9];
  // Short data is padded, so a few bytes can ask for an image of a hundred
  // million pixels: legitimate, but seconds per input under the sanitizers.
  // The fuzzer looks for faults, not for the cost of size, so sizes stay at a
  // million pixels here (the odd sizes below still reach the size checks).
  if (width * height > (1 << 20)) return 0;
  const std::string data(reinterpret_cast<const char*>(in) + kHeader, size - kHeader);

  std::string dict = "<< /Type /XObject /Subtype /Image";
  switch (odd % 8) {
    case 1:
      dict += " /Width " + std::to_string(-width) + " /Height " + std::to_string(height);
      break;
    case 2:
      dict += " /Width " + std::to_string(width) + ".5 /Height " + std::to_string(height);
      break;
    case 3:
      dict += " /Height " + std::to_string(height);
      break;
    case 4:
      dict += " /Width " + std::to_string(width) + " /Height 2147483647";
      break;
    default:
      dict += " /Width " + std::to_string(width) + " /Height " + std::to_string(height);
      break;
  }
  if (!(odd & 0x10)) dict += std::string(" /BitsPerComponent ") + pick(kBits, in[4]);
  const std::string cs = pick(kColorSpaces, in[5]);
  if (extras & 0x40) dict += " /ColorSpace /CS0";
  else if (!(odd & 0x20)) dict += " /ColorSpace " + cs;
  if (const std::string f = pick(kFilters, in[6]); !f.empty()) dict += " /Filter " + f;
  if (std::string p = pick(kParms, in[7]); !p.empty()) {
    if (size_t w = p.find(" W "); w != std::string::npos) p.replace(w + 1, 1, std::to_string(width));
    dict += " /DecodeParms " + p;
  }
  if (extras & 0x01) dict += (odd & 0x40) ? " /Decode [1 0 1 0 1 0 1 0]" : " /Decode [1 0 0.5]";
  if (extras & 0x04) dict += " /Mask [0 10 0 255 250 255 7]";
  if (extras & 0x20) dict += " /ImageMask true";
  if (extras & 0x80) dict += " /Interpolate true";
  dict += " >>";

  auto qpdf = std::make_shared<QPDF>();
  qpdf->setSuppressWarnings(true);  // damaged data is the rule here, not news
  qpdf->emptyPDF();
  QPDFObjectHandle image;
  try {
    image = streamOf(*qpdf, dict, data);
    QPDFObjectHandle d = image.getDict();
    auto replaceZeroWithStream = [&](QPDFObjectHandle holder, int index, const std::string& streamDict) {
      if (holder.isArray() && holder.getArrayNItems() > index && holder.getArrayItem(index).isInteger())
        holder.setArrayItem(index, streamOf(*qpdf, streamDict, data.substr(0, 4096)));
    };
    replaceZeroWithStream(d.getKey("/ColorSpace"), 1, odd & 0x80 ? "<< /N 1 >>" : "<< /N 3 /Alternate /DeviceRGB >>");
    if (QPDFObjectHandle p = d.getKey("/DecodeParms"); p.isDictionary() && p.hasKey("/JBIG2Globals"))
      p.replaceKey("/JBIG2Globals", streamOf(*qpdf, "<< >>", data.substr(0, 256)));
    // Masks are small images of their own over the same bytes.
    if (extras & 0x02)
      d.replaceKey(
          "/SMask",
          streamOf(*qpdf,
                   odd & 0x40 ? "<< /Width 3 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray /Matte [0 0 0] >>"
                              : "<< /Width 5 /Height 5 /BitsPerComponent 4 /ColorSpace /DeviceGray >>",
                   data));
    if (extras & 0x08)
      d.replaceKey("/Mask", streamOf(*qpdf, "<< /Width 7 /Height 3 /ImageMask true /Decode [1 0] >>", data));
  } catch (...) {
    return 0;
  }
  QPDFObjectHandle colorSpaces = QPDFObjectHandle::newDictionary();
  colorSpaces.replaceKey("/CS0", QPDFObjectHandle::parse(cs == "[/ICCBased 0]" ? "/DeviceRGB" : cs));
  vq::pdf::Object spaces = vq::pdf::Object::Impl::wrap(colorSpaces, qpdf);
  vq::pdf::Object stream = vq::pdf::Object::Impl::wrap(image, qpdf);
  std::string error;
  vq::VQPDFImageDecoder::decodeImageStream(stream, spaces, extras & 0x10, &error);
  return 0;
}

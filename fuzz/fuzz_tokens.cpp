// libFuzzer target that reads its input as a list of XML fragments, one per byte: markup
// of every kind (declarations, comments, CDATA, PIs, doctypes), references, byte-order
// marks and UTF-8 lead bytes, page elements and their attributes, duplicated ones too.
// pugixml is a prebuilt library, so coverage guidance cannot see into it; building the
// text from these fragments reaches its corners, and the reader's checks, far more often
// than raw bytes do. The checks are those of PageOracle.h.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PageOracle.h"

namespace {

constexpr std::array<std::string_view, 72> kFragments{
    "<a>",
    "</a>",
    "<b>",
    "</b>",
    "<a/>",
    "<b x='1'>",
    "<a y=\"&#x\">",
    "&#x",
    "&#",
    "x1;",
    "#2;",
    ";",
    "\xEF\xBB\xBF",
    "\xEF\xBF\xBE",
    "\xE0",
    "\xC3",
    "\xF0",
    "\xF5",
    "<?xml version='1.0'?>",
    "<?xml encoding='UTF-8'?>",
    "<?xml encoding='latin1'?>",
    "<?xml encoding=\"&#x55;TF8\"?>",
    "<?XmL ",
    "?>",
    "<!--",
    "-->",
    "<![CDATA[",
    "]]>",
    "<!D ",
    ">",
    "<",
    "/",
    " ",
    "\n",
    "'",
    "\"",
    "=",
    "&amp;",
    "&lt;",
    "text",
    "<a ",
    "<b ",
    "<c>",
    "</c>",
    "<?x ",
    "</a ",
    "</b\n>",
    "v=",
    "w='",
    "&",
    "<:x>",
    "</:x>",
    "<Drawing>",
    "</Drawing>",
    "<Stroke>",
    "</Stroke>",
    "<CP x=\"100.5\" y=\"2e2\" r=\"5\" a=\"1\" />",
    "<CP x='nan' y=' -0x1p3' />",
    "<CP x=1 y=",
    "\"1e40\"",
    "<!-- c -->",
    "<S/>",
    "\x00",
    "\t",
    "<CP x=\"1\" x=\"2\"/>",
    "&#32;",
    "&#x31;",
    "<!DOCTYPE d [<!ENTITY e 'x'>]>",
    "<?pi?>",
    "\r\n",
    "\v",
    "<Stroke><CP x='7' y='8'/></Stroke>"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) text += kFragments[data[i] % kFragments.size()];
    // FUZZ_TOKENS_DUMP=file.xml fuzz_tokens INPUT writes the text an input stands for.
    if (const char* dump = std::getenv("FUZZ_TOKENS_DUMP")) {
        if (std::FILE* file = std::fopen(dump, "wb")) {
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
        }
    }
    pageoracle::check(text);
    return 0;
}

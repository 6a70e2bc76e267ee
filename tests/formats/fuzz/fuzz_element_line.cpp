#include "fuzz_line.h"

#include "alignment/element/element_alignment.h"
#include "formats/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunLine(data, size, formats::ReadElementText,
                                  [](element::ElementInput input) {
                                      const element::ElementAlignment line(std::move(input));
                                      formats::fuzz::WalkLine(line.Line());
                                  });
}

#include "fuzz/DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzDecoder(vornak_engine::decodeJPEG, data, size);
}

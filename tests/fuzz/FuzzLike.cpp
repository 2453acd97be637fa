// The LIKE matcher on any pattern and any text: no crash, no hang, nothing read out of bounds
// under the sanitizers. The corpus holds the dialect's cases.
#include "FuzzInput.h"
#include "JetLike.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto fields = fuzzFields(data, size);
    static_cast<void>(JetLikeMatch(fields[0], fields.size() > 1 ? fields[1] : QString()));
    return 0;
}

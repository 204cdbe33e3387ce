// Arbitrary payloads read back into the window's pages: reading never fails, a record comes back
// only as fields its page composes into exactly that record, and anything else is the whole
// payload as free text.
#include "payload/PayloadComposer.h"
#include "payload/PayloadReader.h"

#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string payload(reinterpret_cast<const char*>(data), size);
    const PayloadReader::PageFields read = PayloadReader::Read(payload);
    if (read.page == PayloadComposer::TextPage) {
        require(read.fields == std::vector<std::string>{payload});
        return 0;
    }
    require(read.page > PayloadComposer::TextPage && read.page < PayloadComposer::PageCount);
    require(PayloadComposer::Compose(read.page, read.fields) == payload);
    return 0;
}

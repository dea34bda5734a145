// libFuzzer harness for the reply decoder: arbitrary bytes on the wire are framed exactly as
// the link frames them, then decoded; the delivered payload must stay inside what the frame
// decoded to.
#include "link/Util_comport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the expected address, the rest is the wire.
    const auto expected = static_cast<quint8>(data[0]);
    kvir::FrameAssembler assembler;
    size_t used = 0;
    QByteArray text;
    for (size_t i = 1; i < size && used < static_cast<size_t>(kvir::kFrameLimit); ++i, ++used) {
        if (assembler.feed(data[i])) {
            text = assembler.text();
            break;
        }
    }
    if (text.isEmpty()) {
        text = assembler.text();  // also decode unterminated text: the decoder must cope
    }
    QByteArray payload;
    const kvir::ExchangeResult r = kvir::DecodeReply(text, expected, payload);
    const bool valid = r == 129 || r == 130 || r == 131 || r == 132 || r == 133 || r == 0 ||
                       (r >= 1 && r <= 5) || (r >= 15 && r <= 21);
    if (!valid || payload.size() > text.size() / 2 || payload.size() > 510) {
        std::abort();
    }
    if (r >= 129 && !payload.isEmpty()) {
        std::abort();  // nothing is delivered from a failed reply
    }
    return 0;
}

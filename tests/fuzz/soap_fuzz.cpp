// libFuzzer target: any response body, decoded for every operation, either
// gives a result or fails with a message; it never crashes or hangs.
#include "platform/Error.h"
#include "server/Soap.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    for (const server::Operation& op : server::operations()) {
        try {
            server::decodeResponse(op, body);
        } catch (const platform::Error&) {
        }
    }
    try {
        std::vector<server::SoapValue> args;
        server::decodeRequest(body, args);
    } catch (const platform::Error&) {
    }
    return 0;
}

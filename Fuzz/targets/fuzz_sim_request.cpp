// The simulator's HTTP request reader, fed in the pieces the input's records give, the
// way a connection delivers them; small limits reach the refusal paths quickly.
#include "FuzzInput.h"
#include "Http/HttpRequestParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using OnvifSim::CHttpRequestParser;
    CHttpRequestParser parser(2048, 8192);
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* piece = nullptr;
    size_t length = 0;
    unsigned sum = 0;
    while (records.next(piece, length)) {
        const char* text = reinterpret_cast<const char*>(piece);
        // Bounded: every round consumes bytes or ends the piece.
        while (length > 0 && parser.state() != CHttpRequestParser::EState::Error) {
            const size_t used = parser.feed(text, length);
            if (used > length)
                __builtin_trap();
            parser.takeContinueRequest();
            if (parser.state() == CHttpRequestParser::EState::Complete) {
                sum += OnvifFuzz::touch(parser.take().body);
            } else if (used == 0) {
                break;
            }
            text += used;
            length -= used;
        }
        if (parser.state() == CHttpRequestParser::EState::Error)
            return 0;
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}

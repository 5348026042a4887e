// The client's HTTP response parser, fed in the pieces the input's records give.
#include "FuzzInput.h"
#include "NetProtocol/HttpParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Zentar::NetProtocol;
    CHttpParser parser;
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* piece = nullptr;
    size_t length = 0;
    int status = HTTP_PARSE_MORE;
    while (records.next(piece, length)) {
        status = parser.Append(reinterpret_cast<const char*>(piece), length);
        if (parser.GetConsumed() > length)
            __builtin_trap();
        if (status == HTTP_PARSE_SUCCESS) {
            OnvifFuzz::touch(reinterpret_cast<const uint8_t*>(parser.GetContent()), parser.GetContentLength());
            for (const auto& header : parser.GetHeaders())
                OnvifFuzz::touch(header.second);
            parser.Value("Content-Type");
            parser.Reset();
        }
    }
    if (status == HTTP_PARSE_MORE)
        parser.AppendEnd();
    // The same bytes as one whole message.
    CHttpParser whole;
    whole.Parse(reinterpret_cast<const char*>(data), size);
    return 0;
}

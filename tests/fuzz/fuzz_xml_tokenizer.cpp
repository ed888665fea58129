// Feeds arbitrary bytes to the XML tokenizer. Whatever the bytes, it must end
// with one end-of-file or error token, report the error token's message, and
// give tokens whose positions never go back to an earlier line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "musicfile/XmlLayer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<korvane::TXMLToken> tokens;
    std::string message;
    const bool ok = korvane::TokenizeXMLText(text, tokens, message);
    if (tokens.empty()) std::abort();
    const korvane::TXMLToken& last = tokens.back();
    if (ok != (last.TokenKind == korvane::xmlTokenEof)) std::abort();
    if (!ok && (last.TokenKind != korvane::xmlTokenError || message != last.GetErrorMessage())) std::abort();
    int line = 3;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const korvane::TXMLToken& t = tokens[i];
        if (t.Line < line) std::abort();
        line = t.Line;
        if (i + 1 < tokens.size() && (t.TokenKind == korvane::xmlTokenEof || t.TokenKind == korvane::xmlTokenError))
            std::abort();
        if (t.TokenKind == korvane::xmlTokenAttr && t.GetText().empty()) std::abort();
        if (t.TokenKind <= korvane::xmlTokenEmpty && t.TokenKind != korvane::xmlTokenAttr && t.GetElement().empty())
            std::abort();
    }
    return 0;
}

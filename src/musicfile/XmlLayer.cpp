#include "musicfile/XmlLayer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "core/Assert.h"
#include "platform/FileReplace.h"

namespace korvane {

const std::string& TXMLToken::GetElement() const {
    KORVANE_ASSERT(TokenKind == xmlTokenBegin || TokenKind == xmlTokenEnd || TokenKind == xmlTokenEmpty);
    return value_;
}

const std::string& TXMLToken::GetText() const {
    KORVANE_ASSERT(TokenKind == xmlTokenAttr);
    return value_;
}

const std::string& TXMLToken::GetErrorMessage() const {
    KORVANE_ASSERT(TokenKind == xmlTokenError);
    return value_;
}

// ---------------------------------------------------------------------------

namespace {

enum CharClass { ccSpace, ccNewLine, ccLetter, ccDigit, ccSlash, ccOpen, ccClose, ccEnd, ccOther };

constexpr int kEnd = -1;

CharClass classOf(int c) {
    if (c == kEnd) return ccEnd;
    if (c == '\t' || c == ' ') return ccSpace;
    if (c == '\n') return ccNewLine;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return ccLetter;
    if (c >= '0' && c <= '9') return ccDigit;
    if (c == '/') return ccSlash;
    if (c == '<') return ccOpen;
    if (c == '>') return ccClose;
    return ccOther;
}

std::string trimBlanks(const std::string& s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

}  // namespace

TXMLToken TXMLTokenizer::emit(uint8_t kind, std::string value) {
    --column_;
    return TXMLToken(kind, std::move(value), line_, column_);
}

TXMLToken TXMLTokenizer::error(int c) {
    --column_;
    std::string what = c == kEnd ? std::string("end-of-file ") : "'" + std::string(1, static_cast<char>(c)) + "'";
    return TXMLToken(
        xmlTokenError,
        "unexpected " + what + " found in line " + std::to_string(line_) + ", column " + std::to_string(column_) + ".",
        line_, column_);
}

// Between tags (state 0) and in text (state 1).
std::optional<TXMLToken> TXMLTokenizer::scanText(int c, int& state, std::string& text) {
    const CharClass cls = classOf(c);
    const bool blank = cls == ccSpace || cls == ccNewLine;
    if (state == 0) {
        if (blank) return std::nullopt;
        if (cls == ccOpen)
            state = 2;
        else if (cls == ccClose)
            return error(c);
        else if (cls == ccEnd)
            return emit(xmlTokenEof, "");
        else {
            text += c == '\r' ? ' ' : static_cast<char>(c);
            state = 1;
        }
        return std::nullopt;
    }
    if (cls == ccOpen) {
        --pos_;  // read again as the start of the next token
        std::string trimmed = trimBlanks(text);
        if (!trimmed.empty()) return emit(xmlTokenAttr, std::move(trimmed));
        // Only carriage returns: blank like any other white space
        // between tags, so an element never holds empty text.
        --column_;
        text.clear();
        state = 0;
        return std::nullopt;
    }
    if (cls == ccClose || cls == ccEnd) return error(c);
    text += (c == '\t' || c == '\n' || c == '\r') ? ' ' : static_cast<char>(c);
    return std::nullopt;
}

// After '<' (state 2), in a start tag's name (3), after it (4) and after
// the '/' of an empty element (5).
std::optional<TXMLToken> TXMLTokenizer::scanStartTag(int c, int& state, std::string& text) {
    const CharClass cls = classOf(c);
    const bool blank = cls == ccSpace || cls == ccNewLine;
    const bool nameChar = cls == ccLetter || cls == ccDigit;
    switch (state) {
        case 2:
            if (blank) break;
            if (nameChar) {
                text = std::string(1, static_cast<char>(c));
                state = 3;
            } else if (cls == ccSlash)
                state = 6;
            else
                return error(c);
            break;
        case 3:
            if (nameChar)
                text += static_cast<char>(c);
            else if (blank)
                state = 4;
            else if (cls == ccSlash)
                state = 5;
            else if (cls == ccClose)
                return emit(xmlTokenBegin, text);
            else
                return error(c);
            break;
        case 4:
            if (blank) break;
            if (cls == ccSlash)
                state = 5;
            else if (cls == ccClose)
                return emit(xmlTokenBegin, text);
            else
                return error(c);
            break;
        default:
            if (blank) break;
            if (cls == ccClose) return emit(xmlTokenEmpty, text);
            return error(c);
    }
    return std::nullopt;
}

// After "</" (state 6), in an end tag's name (7) and after it (8).
std::optional<TXMLToken> TXMLTokenizer::scanEndTag(int c, int& state, std::string& text) {
    const CharClass cls = classOf(c);
    const bool blank = cls == ccSpace || cls == ccNewLine;
    const bool nameChar = cls == ccLetter || cls == ccDigit;
    switch (state) {
        case 6:
            if (blank) break;
            if (nameChar) {
                text = std::string(1, static_cast<char>(c));
                state = 7;
            } else
                return error(c);
            break;
        case 7:
            if (nameChar)
                text += static_cast<char>(c);
            else if (blank)
                state = 8;
            else if (cls == ccClose)
                return emit(xmlTokenEnd, text);
            else
                return error(c);
            break;
        default:
            if (blank) break;
            if (cls == ccClose) return emit(xmlTokenEnd, text);
            return error(c);
    }
    return std::nullopt;
}

TXMLToken TXMLTokenizer::Next() {
    int state = 0;
    std::string text;
    for (;;) {
        const int c = pos_ < data_.size() ? static_cast<unsigned char>(data_[pos_++]) : kEnd;
        const CharClass cls = classOf(c);
        if (cls == ccNewLine) {
            ++line_;
            column_ = 1;
        } else if (cls != ccEnd && cls != ccOther) {
            ++column_;
        }
        std::optional<TXMLToken> token = state <= 1   ? scanText(c, state, text)
                                         : state <= 5 ? scanStartTag(c, state, text)
                                                      : scanEndTag(c, state, text);
        if (token) return std::move(*token);
    }
}

bool TokenizeXMLText(std::string&& fileText, std::vector<TXMLToken>& tokens, std::string& message) {
    // Carriage returns before line feeds go in place: a large file is held
    // once, not once more without them.
    std::string data = std::move(fileText);
    std::size_t out = data.find("\r\n");
    if (out != std::string::npos) {
        for (std::size_t in = out; in < data.size(); ++in)
            if (!(data[in] == '\r' && in + 1 < data.size() && data[in + 1] == '\n')) data[out++] = data[in];
        data.resize(out);
    }
    std::size_t start = 0;
    for (int line = 0; line < 2; ++line) {
        for (int n = 0; n < 98 && start < data.size();) {
            ++n;
            if (data[start++] == '\n') break;
        }
    }
    tokens.clear();
    // Every token but the end of the file takes at least one '<'; room for
    // them at once spares the copies of a growing vector.
    tokens.reserve(static_cast<std::size_t>(std::count(data.begin() + static_cast<std::ptrdiff_t>(start), data.end(), '<')) + 1);
    TXMLTokenizer tokenizer(data, start, 3, 1);
    for (;;) {
        tokens.push_back(tokenizer.Next());
        const uint8_t kind = tokens.back().TokenKind;
        if (kind == xmlTokenError) {
            message = tokens.back().GetErrorMessage();
            return false;
        }
        if (kind == xmlTokenEof) return true;
    }
}

bool TokenizeXMLText(const std::string& fileText, std::vector<TXMLToken>& tokens, std::string& message) {
    return TokenizeXMLText(std::string(fileText), tokens, message);
}

bool ReadXMLFile(const std::string& path, std::string& fileText, std::string& message) {
    std::ifstream in(path, std::ios::binary);
    struct stat st;
    if (!in || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        message = kXMLReadError;
        return false;
    }
    if (S_ISREG(st.st_mode) && static_cast<std::uintmax_t>(st.st_size) > kXMLFileLimit) {
        message = kXMLTooLarge;
        return false;
    }
    // Straight into the text where the size is known; a stream (a FIFO, a
    // device) as it comes, up to the limit.
    fileText.clear();
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        fileText.resize(static_cast<std::size_t>(st.st_size));
        in.read(fileText.data(), static_cast<std::streamsize>(fileText.size()));
        fileText.resize(static_cast<std::size_t>(in.gcount()));
        if (in.bad()) {
            message = kXMLReadError;
            return false;
        }
        in.clear();
    }
    char block[65536];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        fileText.append(block, static_cast<std::size_t>(in.gcount()));
        if (fileText.size() > kXMLFileLimit) {
            fileText.clear();
            fileText.shrink_to_fit();
            message = kXMLTooLarge;
            return false;
        }
    }
    if (in.bad()) {
        message = kXMLReadError;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

TXMLCompound::~TXMLCompound() = default;

const std::string& TXMLCompound::GetText() const {
    KORVANE_ASSERT(false);
    __builtin_unreachable();
}

const TXMLCompound& TXMLAttribute::AsCompound() const {
    KORVANE_ASSERT(false);
    __builtin_unreachable();
}

TXMLItem* TXMLCompound::Append(std::unique_ptr<TXMLItem> child) {
    children_.push_back(std::move(child));
    return children_.back().get();
}

TXMLCompound* TXMLCompound::AppendCompound(const std::string& element) {
    return static_cast<TXMLCompound*>(Append(std::make_unique<TXMLCompound>(element)));
}

void TXMLCompound::AppendText(const std::string& element, const std::string& text) {
    Append(std::make_unique<TXMLAttribute>(element, text));
}

const TXMLItem* TXMLCompound::Child(const std::string& element) const {
    for (const auto& c : children_)
        if (c->GetElement() == element) return c.get();
    return nullptr;
}

void TXMLCompound::DeleteChildrenAfter(std::size_t count) {
    if (count < children_.size()) children_.resize(count);
}

void TXMLCompound::Write(std::string& out, int depth) const {
    const std::string indent(2 * depth, ' ');
    if (children_.empty()) {
        out += indent + "<" + Element + " />\n";
        return;
    }
    out += indent + "<" + Element + ">\n";
    for (const auto& c : children_) c->Write(out, depth + 1);
    out += indent + "</" + Element + ">\n";
}

void TXMLAttribute::Write(std::string& out, int depth) const {
    out += std::string(2 * depth, ' ') + "<" + Element + ">" + Text + "</" + Element + ">\n";
}

std::string XMLDocumentText(const TXMLItem& root) {
    std::string out = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    out += "<!DOCTYPE " + root.GetElement() + " SYSTEM \"" + root.GetElement() + ".dtd\">\n\n";
    root.Write(out, 0);
    return out;
}

bool WriteXML(const TXMLItem& root, const std::string& path, std::string& message) {
    const std::string text = XMLDocumentText(root);
    if (!ReplaceFileWith(path, text.data(), text.size())) {
        message = kXMLWriteError;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

namespace {

std::string positionText(const TXMLToken& t) {
    return " at line " + std::to_string(t.Line) + ", column " + std::to_string(t.Column) + ".";
}

// How a token is named in a message.
std::string describe(const TXMLToken& t) {
    switch (t.TokenKind) {
        case xmlTokenBegin:
            return "begin of element \"" + t.GetElement() + "\"";
        case xmlTokenEnd:
            return "end of element \"" + t.GetElement() + "\"";
        case xmlTokenEmpty:
            return "empty element \"" + t.GetElement() + "\"";
        case xmlTokenAttr:
            return "text \"" + t.GetText() + "\"";
        case xmlTokenEof:
            return "end-of-file";
        default:
            return t.GetErrorMessage();
    }
}

// Text, the end of the file and tokenizer errors leave nothing else to try.
bool endsTheMatch(const TXMLToken& t) {
    return t.TokenKind == xmlTokenAttr || t.TokenKind == xmlTokenEof || t.TokenKind == xmlTokenError;
}

TMatchResult fail(bool final, std::string message) { return {false, final, std::move(message)}; }

}  // namespace

TMatchResult TDTDElement::expectEnd(TMatchState& state) const {
    const TXMLToken& t = state.Current();
    if (t.TokenKind == xmlTokenEnd) {
        if (t.GetElement() == Name) {
            ++state.Pos;
            return {};
        }
        return fail(true, "end of element \"" + t.GetElement() + "\" does not match begin of element \"" + Name +
                              "\"," + positionText(t));
    }
    return fail(true, "unexpected " + describe(t) + ", expect end of element \"" + Name + "\"," + positionText(t));
}

TMatchResult TDTDAttribute::Match(TMatchState& state, TXMLCompound& parent) const {
    const TXMLToken& begin = state.Current();
    if (begin.TokenKind == xmlTokenBegin && begin.GetElement() == Name) {
        ++state.Pos;
        const TXMLToken& text = state.Current();
        if (text.TokenKind != xmlTokenAttr)
            return fail(true, "unexpected " + describe(text) + ", expect text," + positionText(text));
        parent.Append(std::make_unique<TXMLAttribute>(Name, text.GetText(), begin.Line, begin.Column));
        ++state.Pos;
        return expectEnd(state);
    }
    return fail(endsTheMatch(begin),
                "unexpected " + describe(begin) + ", expect begin of element \"" + Name + "\"." + positionText(begin));
}

TMatchResult TDTDCompound::Match(TMatchState& state, TXMLCompound& parent) const {
    const TXMLToken& t = state.Current();
    if (t.TokenKind == xmlTokenBegin && t.GetElement() == Name) {
        ++state.Pos;
        auto element = std::make_unique<TXMLCompound>(Name, t.Line, t.Column);
        TMatchResult content = Content->Match(state, *element);
        if (!content.Ok) {
            content.Final = true;
            return content;
        }
        parent.Append(std::move(element));
        return expectEnd(state);
    }
    if (t.TokenKind == xmlTokenEmpty && t.GetElement() == Name) {
        if (!Content->CanBeEmpty())
            return fail(true, "element \"" + Name + "\" should not be empty," + positionText(t));
        ++state.Pos;
        parent.Append(std::make_unique<TXMLCompound>(Name, t.Line, t.Column));
        return {};
    }
    return fail(endsTheMatch(t),
                "unexpected " + describe(t) + ", expect begin of element \"" + Name + "\"," + positionText(t));
}

TMatchResult TDTDConcat::Match(TMatchState& state, TXMLCompound& parent) const {
    TMatchResult a = A->Match(state, parent);
    if (!a.Ok) return a;
    return B->Match(state, parent);
}

TMatchResult TDTDChoice::Match(TMatchState& state, TXMLCompound& parent) const {
    const std::size_t pos = state.Pos;
    const std::size_t children = parent.CountChildren();
    TMatchResult a = A->Match(state, parent);
    if (a.Ok || a.Final) return a;
    state.Pos = pos;
    parent.DeleteChildrenAfter(children);
    return B->Match(state, parent);
}

TMatchResult TDTDOptional::Match(TMatchState& state, TXMLCompound& parent) const {
    const std::size_t pos = state.Pos;
    const std::size_t children = parent.CountChildren();
    TMatchResult a = A->Match(state, parent);
    if (a.Ok || a.Final) return a;
    state.Pos = pos;
    parent.DeleteChildrenAfter(children);
    return {};
}

TMatchResult TDTDRepeatMin0::Match(TMatchState& state, TXMLCompound& parent) const {
    for (;;) {
        const std::size_t pos = state.Pos;
        const std::size_t children = parent.CountChildren();
        TMatchResult a = A->Match(state, parent);
        if (a.Ok && state.Pos == pos) return {};  // matched nothing: repeating would not end
        if (a.Ok) continue;
        if (a.Final) return a;
        state.Pos = pos;
        parent.DeleteChildrenAfter(children);
        return {};
    }
}

TMatchResult TDTDRepeatMin1::Match(TMatchState& state, TXMLCompound& parent) const {
    TMatchResult first = A->Match(state, parent);
    if (!first.Ok) return first;
    return TDTDRepeatMin0(A).Match(state, parent);
}

TDTDRef DTDText(const std::string& name) { return std::make_shared<TDTDAttribute>(name); }
TDTDRef DTDElement(const std::string& name, TDTDRef content) {
    return std::make_shared<TDTDCompound>(name, std::move(content));
}
TDTDRef DTDEmptyElement(const std::string& name) { return DTDElement(name, std::make_shared<TDTDEmpty>()); }

TDTDRef DTDSeq(std::vector<TDTDRef> items) {
    if (items.empty()) return std::make_shared<TDTDEmpty>();
    TDTDRef result = items.back();
    for (std::size_t i = items.size() - 1; i-- > 0;) result = std::make_shared<TDTDConcat>(items[i], result);
    return result;
}

TDTDRef DTDAlt(std::vector<TDTDRef> items) {
    KORVANE_ASSERT(!items.empty());
    TDTDRef result = items.back();
    for (std::size_t i = items.size() - 1; i-- > 0;) result = std::make_shared<TDTDChoice>(items[i], result);
    return result;
}

TDTDRef DTDOpt(TDTDRef item) { return std::make_shared<TDTDOptional>(std::move(item)); }
TDTDRef DTDStar(TDTDRef item) { return std::make_shared<TDTDRepeatMin0>(std::move(item)); }
TDTDRef DTDPlus(TDTDRef item) { return std::make_shared<TDTDRepeatMin1>(std::move(item)); }

TMatchResult MatchXML(const TDTDItem& model, const std::vector<TXMLToken>& tokens, TXMLCompound& parent) {
    KORVANE_ASSERT(!tokens.empty());
    TMatchState state{tokens, 0};
    return model.Match(state, parent);
}

}  // namespace korvane

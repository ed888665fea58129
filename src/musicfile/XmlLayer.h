#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// Our own narrow XML: elements with either child elements or one text, no
// attributes, entities, comments or processing instructions.

enum TXMLTokenKind : uint8_t {
    xmlTokenAttr = 0,
    xmlTokenBegin = 1,
    xmlTokenEnd = 2,
    xmlTokenEmpty = 3,
    xmlTokenEof = 4,
    xmlTokenError = 5,
};

class TXMLToken {
public:
    TXMLToken(uint8_t kind, std::string value, int line, int column)
        : TokenKind(kind), Line(line), Column(column), value_(std::move(value)) {}

    uint8_t TokenKind;
    // Where the token ended.
    int Line;
    int Column;

    const std::string& GetElement() const;
    const std::string& GetText() const;
    const std::string& GetErrorMessage() const;

private:
    std::string value_;
};

// Reads tokens from text that starts at `start`, counting from the given line
// and column.
class TXMLTokenizer {
public:
    TXMLTokenizer(const std::string& data, std::size_t start, int line, int column)
        : data_(data), pos_(start), line_(line), column_(column) {}
    TXMLToken Next();

private:
    const std::string& data_;
    std::size_t pos_;
    int line_;
    int column_;

    TXMLToken emit(uint8_t kind, std::string value);
    TXMLToken error(int c);
    // One character `c` read in `state`: the token it ends, if any.
    std::optional<TXMLToken> scanText(int c, int& state, std::string& text);
    std::optional<TXMLToken> scanStartTag(int c, int& state, std::string& text);
    std::optional<TXMLToken> scanEndTag(int c, int& state, std::string& text);
};

// The whole text of a file as the reader sees it: carriage returns before
// line feeds dropped, the first two lines (declaration and document type,
// each read as at most 98 characters) skipped, tokens from line 3, column 1
// up to and including the end-of-file or the first error token. Returns
// false with the error token's message on a tokenizer error.
bool TokenizeXMLText(const std::string& fileText, std::vector<TXMLToken>& tokens, std::string& message);
// The same, taking the text over (and freeing it before it returns).
bool TokenizeXMLText(std::string&& fileText, std::vector<TXMLToken>& tokens, std::string& message);
bool ReadXMLFile(const std::string& path, std::string& fileText, std::string& message);

// ---------------------------------------------------------------------------

class TXMLCompound;

class TXMLItem {
public:
    TXMLItem(std::string element, int line, int column) : Element(std::move(element)), Line(line), Column(column) {}
    virtual ~TXMLItem() = default;
    TXMLItem(const TXMLItem&) = delete;
    TXMLItem& operator=(const TXMLItem&) = delete;

    const std::string& GetElement() const { return Element; }
    int GetLine() const { return Line; }
    int GetColumn() const { return Column; }
    virtual const std::string& GetText() const = 0;
    virtual const TXMLCompound& AsCompound() const = 0;
    virtual void Write(std::string& out, int depth) const = 0;

protected:
    std::string Element;
    int Line;
    int Column;
};

// An element whose content is child elements, in document order.
class TXMLCompound : public TXMLItem {
public:
    explicit TXMLCompound(std::string element, int line = 0, int column = 0)
        : TXMLItem(std::move(element), line, column) {}
    ~TXMLCompound() override;

    const std::string& GetText() const override;
    const TXMLCompound& AsCompound() const override { return *this; }
    void Write(std::string& out, int depth) const override;

    TXMLItem* Append(std::unique_ptr<TXMLItem> child);
    TXMLCompound* AppendCompound(const std::string& element);
    void AppendText(const std::string& element, const std::string& text);
    const std::vector<std::unique_ptr<TXMLItem>>& Children() const { return children_; }
    std::size_t CountChildren() const { return children_.size(); }
    TXMLItem* FirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
    TXMLItem* LastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
    // The first child of that name, or none.
    const TXMLItem* Child(const std::string& element) const;
    // Rolls back to the first `count` children.
    void DeleteChildrenAfter(std::size_t count);

private:
    std::vector<std::unique_ptr<TXMLItem>> children_;
};

// An element whose content is one text.
class TXMLAttribute : public TXMLItem {
public:
    TXMLAttribute(std::string element, std::string text, int line = 0, int column = 0)
        : TXMLItem(std::move(element), line, column), Text(std::move(text)) {}

    const std::string& GetText() const override { return Text; }
    const TXMLCompound& AsCompound() const override;
    void Write(std::string& out, int depth) const override;

private:
    std::string Text;
};

// The file text of a document: declaration, document type line, an empty
// line and the root element.
std::string XMLDocumentText(const TXMLItem& root);
// Replaces the file only by a complete new one.
bool WriteXML(const TXMLItem& root, const std::string& path, std::string& message);

inline constexpr const char* kXMLWriteError =
    "Operating System cannot open file for writing, maybe the file is readonly.";
inline constexpr const char* kXMLReadError = "Operating System cannot open file for reading.";
// Reading stops here: far above any real score (100,000 notes take a few
// MiB), and a bound for a device or a stream that never ends (/dev/zero
// reports size 0, so the size alone cannot be trusted).
inline constexpr std::size_t kXMLFileLimit = std::size_t{256} << 20;
inline constexpr const char* kXMLTooLarge = "the file is larger than 256 MiB, which no music file is.";

// ---------------------------------------------------------------------------
// Content models, built in code.

struct TMatchResult {
    bool Ok = true;
    // A final failure stops the whole match; others let an enclosing choice,
    // option or repeat try something else.
    bool Final = false;
    std::string Message;
};

struct TMatchState {
    const std::vector<TXMLToken>& Tokens;
    std::size_t Pos = 0;
    const TXMLToken& Current() const { return Tokens[Pos]; }
};

class TDTDItem {
public:
    virtual ~TDTDItem() = default;
    virtual bool CanBeEmpty() const = 0;
    virtual TMatchResult Match(TMatchState& state, TXMLCompound& parent) const = 0;
};

using TDTDRef = std::shared_ptr<const TDTDItem>;

class TDTDElement : public TDTDItem {
public:
    explicit TDTDElement(std::string name) : Name(std::move(name)) {}
    bool CanBeEmpty() const override { return false; }
    const std::string& GetName() const { return Name; }

protected:
    std::string Name;
    TMatchResult expectEnd(TMatchState& state) const;
};

class TDTDAttribute : public TDTDElement {
public:
    using TDTDElement::TDTDElement;
    TMatchResult Match(TMatchState& state, TXMLCompound& parent) const override;
};

class TDTDCompound : public TDTDElement {
public:
    TDTDCompound(std::string name, TDTDRef content) : TDTDElement(std::move(name)), Content(std::move(content)) {}
    TMatchResult Match(TMatchState& state, TXMLCompound& parent) const override;

private:
    TDTDRef Content;
};

class TDTDExpression : public TDTDItem {};

class TDTDConcat : public TDTDExpression {
public:
    TDTDConcat(TDTDRef a, TDTDRef b) : A(std::move(a)), B(std::move(b)) {}
    bool CanBeEmpty() const override { return A->CanBeEmpty() && B->CanBeEmpty(); }
    TMatchResult Match(TMatchState& state, TXMLCompound& parent) const override;

private:
    TDTDRef A, B;
};

class TDTDChoice : public TDTDExpression {
public:
    TDTDChoice(TDTDRef a, TDTDRef b) : A(std::move(a)), B(std::move(b)) {}
    bool CanBeEmpty() const override { return A->CanBeEmpty() || B->CanBeEmpty(); }
    TMatchResult Match(TMatchState& state, TXMLCompound& parent) const override;

private:
    TDTDRef A, B;
};

class TDTDOptional : public TDTDExpression {
public:
    explicit TDTDOptional(TDTDRef a) : A(std::move(a)) {}
    bool CanBeEmpty() const override { return true; }
    TMatchResult Match(TMatchState& state, TXMLCompound& parent) const override;

private:
    TDTDRef A;
};

class TDTDRepeatMin0 : public TDTDExpression {
public:
    explicit TDTDRepeatMin0(TDTDRef a) : A(std::move(a)) {}
    bool CanBeEmpty() const override { return true; }
    TMatchResult Match(TMatchState& state, TXMLCompound& parent) const override;

private:
    TDTDRef A;
};

class TDTDRepeatMin1 : public TDTDExpression {
public:
    explicit TDTDRepeatMin1(TDTDRef a) : A(std::move(a)) {}
    bool CanBeEmpty() const override { return A->CanBeEmpty(); }
    TMatchResult Match(TMatchState& state, TXMLCompound& parent) const override;

private:
    TDTDRef A;
};

class TDTDEmpty : public TDTDExpression {
public:
    bool CanBeEmpty() const override { return true; }
    TMatchResult Match(TMatchState&, TXMLCompound&) const override { return {}; }
};

// Short builders for content models.
TDTDRef DTDText(const std::string& name);
TDTDRef DTDElement(const std::string& name, TDTDRef content);
TDTDRef DTDEmptyElement(const std::string& name);
TDTDRef DTDSeq(std::vector<TDTDRef> items);
TDTDRef DTDAlt(std::vector<TDTDRef> items);
TDTDRef DTDOpt(TDTDRef item);
TDTDRef DTDStar(TDTDRef item);
TDTDRef DTDPlus(TDTDRef item);

// Matches `model` against the tokens from the first one, appending what it
// recognises to `parent`.
TMatchResult MatchXML(const TDTDItem& model, const std::vector<TXMLToken>& tokens, TXMLCompound& parent);

}  // namespace korvane

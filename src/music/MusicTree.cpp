#include "music/MusicTree.h"

#include <cstdlib>
#include <numeric>

#include "core/Assert.h"
#include "values/InputErrors.h"

namespace korvane {

const std::array<TMusTreeActionInfo, treeActionCount>& MusTreeActions() {
    static const std::array<TMusTreeActionInfo, treeActionCount> actions{{
        {treeInsertSingle, "cmdInsertSingle", "Add", "&Insert Single", nullptr,
         "Insert Single before|Insert a new Single Music Part before the selected Music Part", "insert-single"},
        {treeAppendSingle, "cmdAppendSingle", "Add", "&Append Single", nullptr,
         "Append Single after|Append a new Single Music Part after the selected Music Part", "append-single"},
        {treeAddLoop, "cmdAddLoop", "Add", "&Repeat", nullptr, "Add Repeat|Add a new Repeat Music Part in the Tree",
         "repeat"},
        {treeAddTurns, "cmdAddTurns", "Add", "&Turns", nullptr, "Add Turns|Add a new Turns Music Part in the Tree",
         "turns"},
        {treeAddTurn, "cmdAddTurn", "Add", "T&urn", nullptr,
         "Add Turn Item|Add a new Turn Item to the selected Repeat Music Part", "turn"},
        {treeMoveForward, "cmdMoveForward", "Move", "&Forward", nullptr, "Move Forward|Move selected Subtree Forward",
         "forward"},
        {treeMoveBackward, "cmdMoveBackward", "Move", "&Backward", nullptr,
         "Move Backward|Move selected Subtree Backward", "backward"},
        {treeMoveForwardIn, "cmdMoveForwardIn", "Move", "Forward into &Next", nullptr,
         "Move Forward Into|Move selected Subtree Forward into the Next Subtree", "forward-in"},
        {treeMoveBackwardIn, "cmdMoveBackwardIn", "Move", "Backward into &Previous", nullptr,
         "Move Backward Into|Move selected Subtree Backward into the Previous Subtree", "backward-in"},
        {treeMoveForwardOut, "cmdMoveForwardOut", "Move", "Forward &out", nullptr,
         "Move Forward Out|Move selected Subtree Forward out of the Parent Subtree", "forward-out"},
        {treeMoveBackwardOut, "cmdMoveBackwardOut", "Move", "Backward o&ut", nullptr,
         "Move Backward Out|Move selected Subtree Backward out of the Parent Subtree", "backward-out"},
        {treeDelete, "cmdDelete", "Delete", "&Delete", "&Part", "Delete Music Part", "delete"},
        {treeExpand, "cmdTreeExpand", "View", "&Expand", nullptr, "Expand", "expand"},
        {treeExpandAll, "cmdTreeExpandAll", "View", "E&xpand All", nullptr, "Expand All", "expand-all"},
        {treeCollapse, "cmdTreeCollapse", "View", "&Collapse", nullptr, "Collapse", "collapse"},
        {treeCollapseAll, "cmdTreeCollapseAll", "View", "C&ollapse All", nullptr, "Collapse All", "collapse-all"},
        {treeGotoBegin, "cmdGotoBegin", "Go To Symbol", "&Begin", nullptr, "Go to First Symbol of Selected Music Part",
         "goto-begin"},
        {treeGotoEnd, "cmdGotoEnd", "Go To Symbol", "&End", nullptr, "Go to Last Symbol of Selected Music Part",
         "goto-end"},
    }};
    return actions;
}

// ---------------------------------------------------------------------------

namespace {

bool isPart(const TMusTreeItem* item) { return item && item->GetItemKind() == musTreeItemPartMuz; }
uint8_t kindOf(const TPartMuz* part) { return part->GetPartMuzKind(); }
bool isWrapper(const TPartMuz* part) { return kindOf(part) == partMuzLoop || kindOf(part) == partMuzSelect; }

// The only child of a repeat or turns.
TPartMuz* wrappedChild(TPartMuz* part) {
    return kindOf(part) == partMuzLoop ? static_cast<TLoopPartMuz*>(part)->GetLoopPart()
                                       : static_cast<TSelectPartMuz*>(part)->GetSelectPart();
}

// The first node of a part's chain of concatenations.
TPartMuz* firstNodeOf(TPartMuz* part) {
    while (kindOf(part) == partMuzConcat) part = static_cast<TConcatPartMuz*>(part)->GetFirstPart();
    return part;
}
TPartMuz* lastNodeOf(TPartMuz* part) {
    while (kindOf(part) == partMuzConcat) part = static_cast<TConcatPartMuz*>(part)->GetSecondPart();
    return part;
}

// Puts make(target) in the place of target, which it receives owned.
template <class Make>
void replaceInPlace(TPartMuz* target, Make make) {
    TPartMuz* parent = target->GetParent();
    KORVANE_ASSERT(parent != NULL);
    std::unique_ptr<TPartMuz>& slot = parent->ChildSlot(target);
    slot = make(std::move(slot));
    parent->Adopt(*slot);
}

// Takes a part out of its concatenation, which gives way to its other child.
std::unique_ptr<TPartMuz> takeOutOfConcat(TPartMuz* part) {
    TPartMuz* parentMuzPart = part->GetParent();
    KORVANE_ASSERT(parentMuzPart != NULL);
    KORVANE_ASSERT(parentMuzPart->GetPartMuzKind() == partMuzConcat);
    TPartMuz* oldParent = nullptr;
    std::unique_ptr<TPartMuz> taken = part->Detach(oldParent);
    static_cast<TConcatPartMuz*>(oldParent)->TakeApart();  // the emptied concatenation is freed here
    return taken;
}

// Whether `part` lies in the subtree of `top`.
bool within(const TPartMuz* part, const TPartMuz* top) {
    for (; part; part = part->GetParent())
        if (part == top) return true;
    return false;
}

const TPartMuz* ownerOf(const TXTouchMuzSymbol* symbol) {
    switch (symbol->GetSelMuzSymbolKind()) {
        case muzSymbolStave:
            return static_cast<const TStaveSymbol*>(symbol)->GetSinglePartMuz();
        case muzSymbolBar:
            return static_cast<const TMuzBar*>(symbol)->GetSinglePartMuz();
        default:
            return static_cast<const TLoopPartSymbol*>(symbol)->GetLoopPart();
    }
}

// Before parts are freed: a selected symbol that goes with them leaves
// nothing selected.
void forgetSelectionWithin(TUnitMuz& doc, const TPartMuz* top) {
    if (doc.SelectedSymbol && within(ownerOf(doc.SelectedSymbol), top)) doc.SelectedSymbol = nullptr;
}

void listNodes(TPartMuz* part, int depth, int parent, std::vector<TMusTreeNode>& nodes);

void listChain(TPartMuz* part, int depth, int parent, std::vector<TMusTreeNode>& nodes) {
    if (!part) return;
    if (kindOf(part) == partMuzConcat) {
        auto* concat = static_cast<TConcatPartMuz*>(part);
        listChain(concat->GetFirstPart(), depth, parent, nodes);
        listChain(concat->GetSecondPart(), depth, parent, nodes);
        return;
    }
    listNodes(part, depth, parent, nodes);
}

void listNodes(TPartMuz* part, int depth, int parent, std::vector<TMusTreeNode>& nodes) {
    const int me = static_cast<int>(nodes.size());
    nodes.push_back({part, depth, parent});
    switch (kindOf(part)) {
        case partMuzStart:
            listChain(static_cast<TStartPartMuz*>(part)->GetPartMuz(), depth + 1, me, nodes);
            break;
        case partMuzLoop:
            listChain(static_cast<TLoopPartMuz*>(part)->GetLoopPart(), depth + 1, me, nodes);
            break;
        case partMuzSelect: {
            auto* select = static_cast<TSelectPartMuz*>(part);
            for (const auto& turn : select->GetTurns()) nodes.push_back({turn.get(), depth + 1, me});
            listChain(select->GetSelectPart(), depth + 1, me, nodes);
            break;
        }
        default:
            break;
    }
}

bool setExpandedFlag(TPartMuz* part, bool expanded) {
    bool* flag = nullptr;
    if (kindOf(part) == partMuzLoop) flag = &static_cast<TLoopPartMuz*>(part)->Expanded;
    if (kindOf(part) == partMuzSelect) flag = &static_cast<TSelectPartMuz*>(part)->Expanded;
    if (!flag || *flag == expanded) return false;
    *flag = expanded;
    return true;
}

bool setExpandedBelow(TPartMuz* part, bool expanded) {
    if (!part) return false;
    bool changed = setExpandedFlag(part, expanded);
    switch (kindOf(part)) {
        case partMuzConcat: {
            auto* concat = static_cast<TConcatPartMuz*>(part);
            changed |= setExpandedBelow(concat->GetFirstPart(), expanded);
            changed |= setExpandedBelow(concat->GetSecondPart(), expanded);
            break;
        }
        case partMuzStart:
            changed |= setExpandedBelow(static_cast<TStartPartMuz*>(part)->GetPartMuz(), expanded);
            break;
        case partMuzLoop:
        case partMuzSelect:
            changed |= setExpandedBelow(wrappedChild(part), expanded);
            break;
        default:
            break;
    }
    return changed;
}

// A value typed into Count or Pitch goes to the music file as its text, and
// an integer field writes no text in a remembered unit ("3 ms" would leave
// the element empty), so these two always keep no unit.
template <class Field>
bool readTreeInteger(const Field& old, const std::string& text, const std::string& caption, Field& read,
                     std::string& message) {
    read = old;
    if (!read.FromText(text, caption, message)) return false;
    read.SetUnit(ucNone);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------

TPlayDrawState PlayDrawState(const TPartMuz& part) {
    if (!part.PlayAndDraw) return playDrawUnchecked;
    for (const TPartMuz* p = part.GetParent(); p; p = p->GetParent())
        if (!p->PlayAndDraw) return playDrawGreyed;
    return playDrawChecked;
}

TMusTreeImage MusTreeImage(const TMusTreeItem& item) {
    if (!isPart(&item)) return musTreeImageTurn;
    switch (static_cast<const TPartMuz&>(item).GetPartMuzKind()) {
        case partMuzSingle:
            return musTreeImageSingle;
        case partMuzSelect:
            return musTreeImageSelect;
        default:
            return musTreeImageLoop;
    }
}

std::string OctaveText(int pitch) {
    const long long p = pitch;
    const long long w = p / 12;
    const long long rest = p - 12 * w;
    const long long d = 12 / std::gcd(std::llabs(p), 12LL);
    const long long n = rest * d / 12;
    if (d == 1) return std::to_string(w);
    const std::string fraction = "/" + std::to_string(d);
    if (w == 0) return std::to_string(n) + fraction;
    return std::to_string(w) + " " + std::to_string(w < 0 ? -n : n) + fraction;
}

std::string MusicFileText(const std::string& text) {
    std::string blanked = text;
    for (char& c : blanked)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    const std::size_t begin = blanked.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return blanked.substr(begin, blanked.find_last_not_of(' ') - begin + 1);
}

namespace {

// The character at `i` of a UTF-8 text and its length in bytes; false for a
// byte that does not begin a well-formed character.
bool utf8At(const std::string& text, std::size_t i, char32_t& c, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) {
        c = b;
        length = 1;
        return true;
    }
    if (b < 0xC2 || b > 0xF4) return false;
    length = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + length > text.size()) return false;
    c = b & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return false;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not characters.
    static const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    return c >= least[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

}  // namespace

bool CheckMusicFileText(const std::string& text, const std::string& caption, std::string& message) {
    if (text.find_first_of("<>&") != std::string::npos) {
        message = InputErrorText(caption, "The characters '<', '>' and '&' are not allowed.");
        return false;
    }
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        char32_t c = 0;
        if (!utf8At(text, i, c, length)) {
            message = InputErrorText(caption, "The text is not valid UTF-8.");
            return false;
        }
        const bool blank = c == '\t' || c == '\n' || c == '\r';
        if ((c < 0x20 && !blank) || (c >= 0x7F && c < 0xA0) || c > 0xFF) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            message = InputErrorText(caption, std::string("The character ") + code +
                                                  " cannot be stored: a music file holds ISO-8859-1 characters only.");
            return false;
        }
    }
    return true;
}

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            utf8 += ch;
        } else {
            utf8 += static_cast<char>(0xC0 | (b >> 6));
            utf8 += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return utf8;
}

std::string Utf8ToLatin1(const std::string& utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        std::size_t length = 0;
        if (utf8At(utf8, i, c, length) && c <= 0xFF) {
            latin1 += static_cast<char>(c);
            i += length;
        } else {
            latin1 += utf8[i++];
        }
    }
    return latin1;
}

TPartMuz* NextSiblingPart(TPartMuz* part) {
    for (TPartMuz* p = part; p->GetParent() && kindOf(p->GetParent()) == partMuzConcat; p = p->GetParent()) {
        auto* concat = static_cast<TConcatPartMuz*>(p->GetParent());
        if (concat->GetFirstPart() == p) return firstNodeOf(concat->GetSecondPart());
    }
    return nullptr;
}

TPartMuz* PrevSiblingPart(TPartMuz* part) {
    for (TPartMuz* p = part; p->GetParent() && kindOf(p->GetParent()) == partMuzConcat; p = p->GetParent()) {
        auto* concat = static_cast<TConcatPartMuz*>(p->GetParent());
        if (concat->GetSecondPart() == p) return lastNodeOf(concat->GetFirstPart());
    }
    return nullptr;
}

TPartMuz* NodeParent(TPartMuz* part) {
    TPartMuz* p = part->GetParent();
    while (p && kindOf(p) == partMuzConcat) p = p->GetParent();
    return p;
}

std::unique_ptr<TSinglePartMuz> MakeNewSinglePart(TUnitMuz& doc) {
    auto part = std::make_unique<TSinglePartMuz>(&doc);
    new TMuzBar(part.get(), 4, 4, 0);  // the part owns its bar
    for (TStave* s = doc.GetFirstStave(); s; s = s->Next) part->AddStave(static_cast<TNoteStave*>(s));
    return part;
}

// ---------------------------------------------------------------------------

TMusTreeItem* TMusTree::Selected() const {
    // The tree is small; checking that the item is still in it keeps a stale
    // selection from being followed.
    for (const TMusTreeNode& node : Listing())
        if (node.Item == doc_.SelectedTreeItem) return node.Item;
    return nullptr;
}

std::vector<TMusTreeNode> TMusTree::Listing() const {
    std::vector<TMusTreeNode> nodes;
    listNodes(doc_.GetStartPart(), 0, -1, nodes);
    return nodes;
}

TMusTreeEnabling TMusTree::Enabling() const {
    TMusTreeEnabling e;
    auto& a = e.Actions;
    TMusTreeItem* item = Selected();
    if (!item) return e;
    if (!isPart(item)) {
        a[treeDelete] = true;
        e.Count = e.Pitch = true;
        return e;
    }
    auto* part = static_cast<TPartMuz*>(item);
    const uint8_t kind = kindOf(part);
    const bool hasChildren =
        kind == partMuzLoop || kind == partMuzSelect || (kind == partMuzStart && doc_.GetStartPart()->GetPartMuz());
    a[treeExpand] = a[treeExpandAll] = a[treeCollapse] = a[treeCollapseAll] = hasChildren;
    e.PlayDraw = true;
    a[treeGotoBegin] = a[treeGotoEnd] = doc_.SelectedSymbol != nullptr;
    if (kind == partMuzStart) return e;  // the root is never detached

    a[treeInsertSingle] = a[treeAppendSingle] = a[treeAddLoop] = a[treeAddTurns] = true;
    TPartMuz* prev = PrevSiblingPart(part);
    TPartMuz* next = NextSiblingPart(part);
    a[treeMoveBackward] = prev != nullptr;
    a[treeMoveBackwardIn] = prev && isWrapper(prev);
    a[treeMoveForward] = next != nullptr;
    a[treeMoveForwardIn] = next && isWrapper(next);
    const bool topLevel = NodeParent(part) == doc_.GetStartPart();
    a[treeMoveBackwardOut] = a[treeMoveForwardOut] = !topLevel && (next || prev);
    switch (kind) {
        case partMuzSingle:
            a[treeDelete] = next || prev;
            break;
        case partMuzLoop:
            e.Count = true;
            a[treeDelete] = true;
            break;
        case partMuzSelect:
            a[treeAddTurn] = a[treeDelete] = true;
            break;
        default:
            break;
    }
    return e;
}

bool TMusTree::DeleteNeedsConfirmation() const {
    return isPart(Selected()) && kindOf(static_cast<TPartMuz*>(Selected())) == partMuzSingle;
}

bool TMusTree::Run(TMusTreeAction action) {
    if (!Enabled(action)) return false;
    TMusTreeItem* item = Selected();
    auto* part = isPart(item) ? static_cast<TPartMuz*>(item) : nullptr;
    TMusTreeItem* named = nullptr;
    switch (action) {
        case treeInsertSingle:
        case treeAppendSingle:
            named = InsertSingle(part, action == treeAppendSingle);
            break;
        case treeAddLoop:
            named = AddLoop(part);
            break;
        case treeAddTurns:
            named = AddTurns(part);
            break;
        case treeAddTurn:
            named = AddTurn(static_cast<TSelectPartMuz*>(part));
            break;
        case treeMoveForward:
        case treeMoveBackward:
            named = MoveSideways(part, action == treeMoveForward);
            break;
        case treeMoveForwardIn:
        case treeMoveBackwardIn:
            named = MoveInto(part, action == treeMoveForwardIn);
            break;
        case treeMoveForwardOut:
        case treeMoveBackwardOut:
            named = MoveOut(part, action == treeMoveForwardOut);
            break;
        case treeDelete:
            if (!part)
                named = DeleteTurn(static_cast<TCountSelectPartItem*>(item));
            else if (kindOf(part) == partMuzSingle)
                named = DeleteSingle(static_cast<TSinglePartMuz*>(part));
            else
                named = DeleteWrapper(part);
            break;
        case treeExpand:
        case treeExpandAll:
        case treeCollapse:
        case treeCollapseAll:
            SetExpanded(item, action == treeExpand || action == treeExpandAll,
                        action == treeExpandAll || action == treeCollapseAll);
            return true;
        case treeGotoBegin:
        case treeGotoEnd:
            GotoSymbol(part, action == treeGotoEnd);
            return true;
        default:
            return false;
    }
    return named != nullptr;
}

TMusTreeItem* TMusTree::afterStructuralChange(TMusTreeItem* named) {
    doc_.GetStartPart()->CheckParentLinks(nullptr);
    doc_.SelectedTreeItem = named;
    doc_.MarkChanged();
    return named;
}

TMusTreeItem* TMusTree::InsertSingle(TPartMuz* part, bool after) {
    std::unique_ptr<TSinglePartMuz> fresh = MakeNewSinglePart(doc_);
    TSinglePartMuz* made = fresh.get();
    replaceInPlace(part, [&](std::unique_ptr<TPartMuz> p) -> std::unique_ptr<TPartMuz> {
        if (after) return std::make_unique<TConcatPartMuz>(&doc_, std::move(p), std::move(fresh));
        return std::make_unique<TConcatPartMuz>(&doc_, std::move(fresh), std::move(p));
    });
    return afterStructuralChange(made);
}

TMusTreeItem* TMusTree::AddLoop(TPartMuz* part) {
    TPartMuz* made = nullptr;
    replaceInPlace(part, [&](std::unique_ptr<TPartMuz> p) -> std::unique_ptr<TPartMuz> {
        auto loop = std::make_unique<TLoopPartMuz>(&doc_, std::move(p), 2);
        made = loop.get();
        return loop;
    });
    return afterStructuralChange(made);
}

TMusTreeItem* TMusTree::AddTurns(TPartMuz* part) {
    TPartMuz* made = nullptr;
    replaceInPlace(part, [&](std::unique_ptr<TPartMuz> p) -> std::unique_ptr<TPartMuz> {
        auto select = std::make_unique<TSelectPartMuz>(&doc_, std::move(p));
        select->AppendTurn(1, 0);
        made = select.get();
        return select;
    });
    return afterStructuralChange(made);
}

TMusTreeItem* TMusTree::AddTurn(TSelectPartMuz* select) {
    return afterStructuralChange(select->AppendTurn(select->HighestCount() + 1, 0));
}

TMusTreeItem* TMusTree::MoveSideways(TPartMuz* part, bool forward) {
    TPartMuz* otherMuzPart = forward ? NextSiblingPart(part) : PrevSiblingPart(part);
    KORVANE_ASSERT(otherMuzPart != NULL);
    TPartMuz* partParent = part->GetParent();
    TPartMuz* otherParent = otherMuzPart->GetParent();
    std::unique_ptr<TPartMuz>& partSlot = partParent->ChildSlot(part);
    std::unique_ptr<TPartMuz>& otherSlot = otherParent->ChildSlot(otherMuzPart);
    std::swap(partSlot, otherSlot);
    partParent->Adopt(*partSlot);
    otherParent->Adopt(*otherSlot);
    return afterStructuralChange(part);
}

TMusTreeItem* TMusTree::MoveInto(TPartMuz* part, bool forward) {
    TPartMuz* otherMuzPart = forward ? NextSiblingPart(part) : PrevSiblingPart(part);
    KORVANE_ASSERT(otherMuzPart != NULL);
    KORVANE_ASSERT(otherMuzPart->GetPartMuzKind() == partMuzSelect || otherMuzPart->GetPartMuzKind() == partMuzLoop);
    std::unique_ptr<TPartMuz> taken = takeOutOfConcat(part);
    replaceInPlace(wrappedChild(otherMuzPart), [&](std::unique_ptr<TPartMuz> c) -> std::unique_ptr<TPartMuz> {
        if (forward) return std::make_unique<TConcatPartMuz>(&doc_, std::move(taken), std::move(c));
        return std::make_unique<TConcatPartMuz>(&doc_, std::move(c), std::move(taken));
    });
    return afterStructuralChange(part);
}

TMusTreeItem* TMusTree::MoveOut(TPartMuz* part, bool forward) {
    TPartMuz* otherMuzPart = NodeParent(part);
    KORVANE_ASSERT(otherMuzPart != NULL);
    KORVANE_ASSERT(otherMuzPart->GetPartMuzKind() == partMuzSelect || otherMuzPart->GetPartMuzKind() == partMuzLoop);
    std::unique_ptr<TPartMuz> taken = takeOutOfConcat(part);
    replaceInPlace(otherMuzPart, [&](std::unique_ptr<TPartMuz> q) -> std::unique_ptr<TPartMuz> {
        if (forward) return std::make_unique<TConcatPartMuz>(&doc_, std::move(q), std::move(taken));
        return std::make_unique<TConcatPartMuz>(&doc_, std::move(taken), std::move(q));
    });
    return afterStructuralChange(part);
}

TMusTreeItem* TMusTree::DeleteTurn(TCountSelectPartItem* turn) {
    TSelectPartMuz* select = turn->GetSelectPart();
    select->RemoveTurnItem(turn);
    return afterStructuralChange(select);
}

TMusTreeItem* TMusTree::DeleteWrapper(TPartMuz* part) {
    KORVANE_ASSERT(isWrapper(part));
    TPartMuz* child = wrappedChild(part);
    if (kindOf(part) == partMuzLoop) {
        // Its child stays, so only its own loop marks can take the selection along.
        auto* loop = static_cast<TLoopPartMuz*>(part);
        if (doc_.SelectedSymbol == loop->GetLeftLoopSymbol() || doc_.SelectedSymbol == loop->GetRightLoopSymbol())
            doc_.SelectedSymbol = nullptr;
    }
    std::unique_ptr<TPartMuz> owned = std::move(part->ChildSlot(child));
    replaceInPlace(part, [&](std::unique_ptr<TPartMuz>) { return std::move(owned); });
    // A concatenation has no node: its first node is selected.
    return afterStructuralChange(firstNodeOf(child));
}

TMusTreeItem* TMusTree::DeleteSingle(TSinglePartMuz* part) {
    TPartMuz* top = part;
    while (top->GetParent() && kindOf(top->GetParent()) != partMuzConcat) top = top->GetParent();
    if (!top->GetParent()) return nullptr;  // no concatenation above it: the root would be left empty
    TPartMuz* next = NextSiblingPart(top);
    TMusTreeItem* named = next ? next : PrevSiblingPart(top);
    forgetSelectionWithin(doc_, top);
    takeOutOfConcat(top);
    return afterStructuralChange(named);
}

void TMusTree::SetExpanded(TMusTreeItem* item, bool expanded, bool all) {
    if (!isPart(item)) return;
    auto* part = static_cast<TPartMuz*>(item);
    const bool changed = all ? setExpandedBelow(part, expanded) : setExpandedFlag(part, expanded);
    if (changed) doc_.MarkChanged();
}

bool TMusTree::GotoSymbol(TPartMuz* part, bool last) {
    TNoteStave* stave = doc_.SelectedInStave;
    if (doc_.SelectedSymbol && doc_.SelectedSymbol->GetSelMuzSymbolKind() == muzSymbolStave)
        stave = static_cast<TStaveSymbol*>(doc_.SelectedSymbol)->GetNoteStave();
    if (!stave) stave = static_cast<TNoteStave*>(doc_.GetFirstStave());
    TSinglePartMuz* first = part->FirstSinglePart();
    TSinglePartMuz* end = part->LastSinglePart();
    if (!first || !end) return false;
    if (last) std::swap(first, end);
    for (TSinglePartMuz* single = first;; single = last ? single->PrevSinglePart() : single->NextSinglePart()) {
        TStaveSymbol* found = nullptr;
        for (TStaveSymbol* s = single->GetFirstSymbol(); s; s = s->Next) {
            if (s->GetNoteStave() != stave) continue;
            found = s;
            if (!last) break;
        }
        if (found) {
            doc_.SetSelectedSymbol(found);
            return true;
        }
        if (single == end) return false;
    }
}

bool TMusTree::SetLabel(const std::string& text, std::string& message) {
    TMusTreeItem* item = Selected();
    if (!item) return false;
    if (!CheckMusicFileText(text, "Label", message)) return false;
    // Kept as the file gives it back; a blank label is no label, the
    // default name.
    const std::string label = MusicFileText(text);
    if (item->Label != label) {
        item->Label = label;
        doc_.MarkChanged();
    }
    return true;
}

bool TMusTree::CommitCount(const std::string& text, std::string& message) {
    TMusTreeItem* item = Selected();
    if (!item) return false;
    if (isPart(item)) {
        auto* loop = static_cast<TLoopPartMuz*>(item);
        KORVANE_ASSERT(loop->GetPartMuzKind() == partMuzLoop);
        unitIntegerPosMore count;
        if (!readTreeInteger(loop->Count, text, "Count", count, message)) return false;
        loop->Count = count;
    } else {
        auto* turn = static_cast<TCountSelectPartItem*>(item);
        unitIntegerPosMore count;
        if (!readTreeInteger(turn->Count, text, "Count", count, message)) return false;
        for (const auto& other : turn->GetSelectPart()->GetTurns()) {
            if (other.get() != turn && other->Count.GetValue() == count.GetValue()) {
                message = "In Count: " + std::to_string(count.GetValue()) + " already exist";
                return false;
            }
        }
        turn->Count = count;
    }
    doc_.MarkChanged();
    return true;
}

bool TMusTree::CommitPitch(const std::string& text, std::string& message) {
    TMusTreeItem* item = Selected();
    if (!item || isPart(item)) return false;
    auto* turn = static_cast<TCountSelectPartItem*>(item);
    unitInteger pitch;
    if (!readTreeInteger(turn->Pitch, text, "Pitch", pitch, message)) return false;
    turn->Pitch = pitch;
    doc_.MarkChanged();
    return true;
}

void TMusTree::ClickPlayDraw() {
    TMusTreeItem* item = Selected();
    if (!isPart(item)) return;
    auto* part = static_cast<TPartMuz*>(item);
    const bool ancestorsOn = !part->GetParent() || PlayDrawState(*part->GetParent()) == playDrawChecked;
    // The platform's cycle: unchecked, greyed, checked, unchecked ...
    TPlayDrawState next = playDrawUnchecked;
    switch (PlayDrawState(*part)) {
        case playDrawUnchecked:
            next = playDrawGreyed;
            break;
        case playDrawGreyed:
            next = playDrawChecked;
            break;
        case playDrawChecked:
            next = playDrawUnchecked;
            break;
    }
    // A state that does not fit the ancestors is passed over. With all of
    // them on, a greyed box would set the flag and show as checked anyway;
    // with one of them off, checked would set it and show as greyed.
    if (!ancestorsOn && next == playDrawChecked) next = playDrawUnchecked;
    // The flag only decides what is drawn and played; the file does not keep it.
    part->PlayAndDraw = next != playDrawUnchecked;
}

}  // namespace korvane

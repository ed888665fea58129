#include "shell/DMusTree.h"

#include <QAction>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/Messages.h"
#include "shell/ChildMuz.h"
#include "shell/Help.h"
#include "shell/OKDlg.h"
#include "shell/MusicDialogHost.h"
#include "values/InputErrors.h"

namespace korvane {

namespace {

const QColor kInk(40, 60, 110);
const QColor kAdd(30, 140, 50);
const QColor kMove(40, 90, 170);

// A node's picture in a square of side s at the origin.
void drawNode(QPainter& p, TMusTreeImage image, double s) {
    const double k = s / 16.0;
    p.save();
    p.scale(k, k);
    p.setBrush(Qt::NoBrush);
    switch (image) {
        case musTreeImageSingle: {
            // A piece of stave with a note on it.
            p.setPen(QPen(QColor(110, 110, 110), 0.8));
            for (int i = 0; i < 5; ++i) p.drawLine(QPointF(1, 3.5 + i * 2.5), QPointF(15, 3.5 + i * 2.5));
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(7, 11), 2.4, 1.8);
            p.setPen(QPen(kInk, 1.2));
            p.drawLine(QPointF(9.2, 11), QPointF(9.2, 2));
            break;
        }
        case musTreeImageLoop: {
            // A circle of arrows: played again.
            p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawPolygon(QPolygonF() << QPointF(8.5, 0.2) << QPointF(12.8, 3.2) << QPointF(8.3, 5.6));
            break;
        }
        case musTreeImageTurn: {
            // The bracket over an ending, above a piece of stave.
            p.setPen(QPen(kInk, 1.6));
            p.drawPolyline(QPolygonF() << QPointF(2.5, 9) << QPointF(2.5, 2.5) << QPointF(14.5, 2.5));
            p.setPen(QPen(QColor(110, 110, 110), 0.8));
            for (int i = 0; i < 3; ++i) p.drawLine(QPointF(1, 9.5 + i * 2.5), QPointF(15, 9.5 + i * 2.5));
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(9, 6.5), 1.8, 1.8);
            break;
        }
        case musTreeImageSelect: {
            // One way that parts into two.
            p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(1.5, 8), QPointF(6.5, 8));
            p.drawLine(QPointF(6.5, 8), QPointF(12.5, 3));
            p.drawLine(QPointF(6.5, 8), QPointF(12.5, 13));
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(13, 3), 1.9, 1.9);
            p.drawEllipse(QPointF(13, 13), 1.9, 1.9);
            break;
        }
    }
    p.restore();
}

void drawPlus(QPainter& p, QPointF centre, double r, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, r + 1, r + 1);
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(centre - QPointF(r, 0), centre + QPointF(r, 0));
    p.drawLine(centre - QPointF(0, r), centre + QPointF(0, r));
}

// An arrow from a to b with its head at b.
void drawArrow(QPainter& p, QPointF a, QPointF b, const QColor& colour) {
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF d = b - a;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len, n(-u.y(), u.x());
    p.drawLine(a, b - u * 3);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF() << b << b - u * 6 + n * 4 << b - u * 6 - n * 4);
}

// A small box with a plus or minus: open or close a node.
void drawBox(QPainter& p, QPointF topLeft, bool plus) {
    const QRectF r(topLeft, QSizeF(9, 9));
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(kInk, 1.6));
    p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
    if (plus) p.drawLine(QPointF(r.center().x(), r.top() + 2), QPointF(r.center().x(), r.bottom() - 2));
}

// A node's picture of side 15 with its top left corner at (x, y).
void drawNodeAt(QPainter& p, TMusTreeImage image, double x, double y) {
    p.save();
    p.translate(x, y);
    drawNode(p, image, 15);
    p.restore();
}

// The actions that add a node: the node's picture with a plus. False for the others.
bool drawAddIcon(QPainter& p, TMusTreeAction action) {
    switch (action) {
        case treeInsertSingle:
            drawNodeAt(p, musTreeImageSingle, 5, 2);
            drawPlus(p, QPointF(5, 14), 3.5, kAdd);
            return true;
        case treeAppendSingle:
            drawNodeAt(p, musTreeImageSingle, 0, 2);
            drawPlus(p, QPointF(15, 14), 3.5, kAdd);
            return true;
        case treeAddLoop:
            drawNodeAt(p, musTreeImageLoop, 0, 1);
            drawPlus(p, QPointF(15, 15), 3.5, kAdd);
            return true;
        case treeAddTurns:
            drawNodeAt(p, musTreeImageSelect, 0, 1);
            drawPlus(p, QPointF(15, 15), 3.5, kAdd);
            return true;
        case treeAddTurn:
            drawNodeAt(p, musTreeImageTurn, 0, 1);
            drawPlus(p, QPointF(15, 15), 3.5, kAdd);
            return true;
        default:
            return false;
    }
}

// The actions that move a node: an arrow the way it goes. False for the others.
bool drawMoveIcon(QPainter& p, TMusTreeAction action) {
    switch (action) {
        case treeMoveForward:
            drawArrow(p, QPointF(10, 2), QPointF(10, 18), kMove);
            return true;
        case treeMoveBackward:
            drawArrow(p, QPointF(10, 18), QPointF(10, 2), kMove);
            return true;
        case treeMoveForwardIn:
            drawArrow(p, QPointF(3, 3), QPointF(17, 17), kMove);
            return true;
        case treeMoveBackwardIn:
            drawArrow(p, QPointF(3, 17), QPointF(17, 3), kMove);
            return true;
        case treeMoveForwardOut:
            drawArrow(p, QPointF(17, 3), QPointF(3, 17), kMove);
            return true;
        case treeMoveBackwardOut:
            drawArrow(p, QPointF(17, 17), QPointF(3, 3), kMove);
            return true;
        default:
            return false;
    }
}

// Deleting, opening and closing nodes, and going to either end of the tree.
void drawTreeIcon(QPainter& p, TMusTreeAction action) {
    switch (action) {
        case treeDelete:
            p.setPen(QPen(QColor(190, 40, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(16, 16));
            p.drawLine(QPointF(16, 4), QPointF(4, 16));
            break;
        case treeExpand:
            drawBox(p, QPointF(5.5, 5.5), true);
            break;
        case treeCollapse:
            drawBox(p, QPointF(5.5, 5.5), false);
            break;
        case treeExpandAll:
        case treeCollapseAll:
            drawBox(p, QPointF(2.5, 2.5), action == treeExpandAll);
            drawBox(p, QPointF(8.5, 8.5), action == treeExpandAll);
            break;
        case treeGotoBegin:
        case treeGotoEnd: {
            const bool begin = action == treeGotoBegin;
            p.setPen(Qt::NoPen);
            p.setBrush(kMove);
            p.drawRect(begin ? QRectF(3, 4, 2.5, 12) : QRectF(14.5, 4, 2.5, 12));
            p.drawPolygon(begin ? QPolygonF() << QPointF(15, 4) << QPointF(15, 16) << QPointF(6.5, 10)
                                : QPolygonF() << QPointF(5, 4) << QPointF(5, 16) << QPointF(13.5, 10));
            break;
        }
        default:
            break;
    }
}

QIcon actionIcon(TMusTreeAction action) {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (!drawAddIcon(p, action) && !drawMoveIcon(p, action)) drawTreeIcon(p, action);
    p.end();
    return QIcon(pm);
}

QIcon playIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 130, 50));
    p.drawPolygon(QPolygonF() << QPointF(4, 2.5) << QPointF(4, 13.5) << QPointF(13, 8));
    return QIcon(pm);
}

bool isPart(const TMusTreeItem* node) { return node && node->GetItemKind() == musTreeItemPartMuz; }

TMusTreeItem* pointerOf(QTreeWidgetItem* item) {
    return item ? reinterpret_cast<TMusTreeItem*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

bool inListing(const std::vector<TMusTreeNode>& nodes, const TMusTreeItem* node) {
    return node && std::any_of(nodes.begin(), nodes.end(), [&](const TMusTreeNode& n) { return n.Item == node; });
}

}  // namespace

QIcon MusTreeNodeIcon(TMusTreeImage image) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawNode(p, image, 16);
    p.end();
    return QIcon(pm);
}

TDlgMusTree::TDlgMusTree(TMusicDialogHost& main)
    : QMainWindow(main.HostWidget(), Qt::Dialog | Qt::WindowStaysOnTopHint), main_(main) {
    setWindowTitle("Music Parts");
    setObjectName("DlgMusTree");
    buildActions();
    buildForm();
    resize(560, 440);
    rebuild();
}

TDlgMusTree::~TDlgMusTree() {
    editCount->removeEventFilter(this);
    editPitch->removeEventFilter(this);
}

void TDlgMusTree::buildActions() {
    QToolBar* bar = addToolBar("Music Parts");
    bar->setObjectName("MusicPartsBar");
    bar->setIconSize(QSize(20, 20));
    bar->setMovable(false);
    QMenu* menu = nullptr;
    QString group;
    for (const TMusTreeActionInfo& info : MusTreeActions()) {
        const QString name = QString::fromUtf8(info.Menu);
        if (name != group) {
            if (menu) bar->addSeparator();
            menu = menuBar()->addMenu("&" + name);
            menu->setObjectName("Menu" + QString(name).remove(' '));
            group = name;
        }
        auto* a = new QAction(QString::fromUtf8(info.MenuCaption ? info.MenuCaption : info.Caption), this);
        a->setObjectName(QString::fromUtf8(info.Name));
        const QString hint = QString::fromUtf8(info.Hint);
        const int cut = hint.indexOf('|');
        a->setToolTip(cut < 0 ? hint : hint.left(cut));
        a->setStatusTip(cut < 0 ? hint : hint.mid(cut + 1));
        a->setIcon(actionIcon(info.Action));
        a->setIconVisibleInMenu(true);
        connect(a, &QAction::triggered, this, [this, action = info.Action] { RunAction(action); });
        menu->addAction(a);
        bar->addAction(a);
        actions_[info.Action] = a;
    }
    statusBar()->setObjectName("MusicPartsStatus");
}

void TDlgMusTree::buildForm() {
    auto* central = new QWidget(this);
    auto* outer = new QHBoxLayout(central);
    buildTree(central);
    outer->addWidget(tvMusParts, 1);

    auto* side = new QVBoxLayout;
    buildPartGroup(central);
    side->addWidget(grpMusicPart);
    side->addStretch();

    btnApply = new QPushButton("Apply", central);
    btnApply->setObjectName("btnApply");
    btnClose = new QPushButton("Close", central);
    btnClose->setObjectName("btnClose");
    btnHelp = new QPushButton("Help", central);
    btnHelp->setObjectName("btnHelp");
    for (QPushButton* b : {btnApply, btnClose, btnHelp}) {
        b->setAutoDefault(false);
        side->addWidget(b);
    }
    outer->addLayout(side);
    setCentralWidget(central);
    connectForm();
}

void TDlgMusTree::buildTree(QWidget* central) {
    tvMusParts = new QTreeWidget(central);
    tvMusParts->setObjectName("tvMusParts");
    tvMusParts->setHeaderHidden(true);
    tvMusParts->setColumnCount(1);
    tvMusParts->setIndentation(28);
    tvMusParts->setIconSize(QSize(16, 16));
    tvMusParts->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tvMusParts->setSelectionMode(QAbstractItemView::SingleSelection);
    // The selected part stays marked while the focus is in the edits.
    QPalette pal = tvMusParts->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    tvMusParts->setPalette(pal);
    connect(tvMusParts, &QTreeWidget::currentItemChanged, this, &TDlgMusTree::currentChanged);
    connect(tvMusParts, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { labelEdited(item); });
    connect(tvMusParts, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { openedOrClosed(item, true); });
    connect(tvMusParts, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { openedOrClosed(item, false); });
}

void TDlgMusTree::buildPartGroup(QWidget* central) {
    grpMusicPart = new QGroupBox("Music Part", central);
    grpMusicPart->setObjectName("grpMusicPart");
    auto* form = new QFormLayout(grpMusicPart);
    editCount = new QLineEdit(grpMusicPart);
    editCount->setObjectName("editCount");
    editPitch = new QLineEdit(grpMusicPart);
    editPitch->setObjectName("editPitch");
    editOctave = new QLineEdit(grpMusicPart);
    editOctave->setObjectName("editOctave");
    editOctave->setReadOnly(true);
    editOctave->setFocusPolicy(Qt::NoFocus);
    for (QLineEdit* e : {editCount, editPitch, editOctave}) e->setFixedWidth(90);
    form->addRow("Count", editCount);
    form->addRow("Pitch", editPitch);
    form->addRow("Octave", editOctave);
    chkPlayDraw = new QCheckBox("Play and Draw Subtree", grpMusicPart);
    chkPlayDraw->setObjectName("chkPlayDraw");
    chkPlayDraw->setTristate(true);
    form->addRow(chkPlayDraw);
    btnPlay = new QPushButton(playIcon(), "Play Subtree", grpMusicPart);
    btnPlay->setObjectName("btnPlay");
    btnPlay->setAutoDefault(false);
    form->addRow(btnPlay);
}

void TDlgMusTree::connectForm() {
    for (QLineEdit* e : {editCount, editPitch}) {
        connect(e, &QLineEdit::textChanged, this, [this, e] {
            if (updating_) return;
            pending_ = e;
            if (TUnitMuz* doc = Doc()) pendingNode_ = TMusTree(*doc).Selected();
        });
        connect(e, &QLineEdit::returnPressed, this, [this, e] { ExitControl(e); });
        e->installEventFilter(this);
    }
    connect(editPitch, &QLineEdit::textChanged, this, [this] {
        if (!updating_) pitchTyped();
    });
    connect(chkPlayDraw, &QCheckBox::clicked, this, [this] { playDrawClicked(); });
    connect(btnPlay, &QPushButton::clicked, this, [this] { playSubtree(); });
    connect(btnApply, &QPushButton::clicked, this, &TDlgMusTree::Apply);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    connect(btnHelp, &QPushButton::clicked, this, [this] { ShowHelp(this, kHelpContext); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelp(this, kHelpContext); });
}

// --- the tree ---------------------------------------------------------------

TUnitMuz* TDlgMusTree::Doc() const { return child_ ? child_->Doc() : nullptr; }

void TDlgMusTree::ShowFor(TMDIChildMuz* child) {
    if (child != child_) {
        pending_ = exitQueued_ = lastExited_ = nullptr;
        pendingNode_ = nullptr;
        rootOpen_ = true;
    }
    child_ = child;
    rebuild();
}

void TDlgMusTree::Refresh() {
    // Most changes from the score leave the tree as it is: the view is kept
    // (scroll position, open editor) and only its texts and enabling follow.
    TUnitMuz* doc = Doc();
    bool same = doc != nullptr;
    if (same) {
        const std::vector<TMusTreeNode> nodes = TMusTree(*doc).Listing();
        std::size_t i = 0;
        for (QTreeWidgetItemIterator it(tvMusParts); *it && same; ++it, ++i) {
            int depth = 0;
            for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
            same = i < nodes.size() && nodes[i].Item == pointerOf(*it) && nodes[i].Depth == depth;
        }
        same = same && i == nodes.size();
    }
    if (!same) {
        rebuild();
        return;
    }
    relabel();
    {
        Updating updating(updating_);
        QTreeWidgetItem* selected = ItemOf(TMusTree(*doc).Selected());
        if (selected != tvMusParts->currentItem()) tvMusParts->setCurrentItem(selected);
    }
    fillPart();
}

void TDlgMusTree::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    rebuild();
    if (!focusWidget())
        if (QWidget* first = FirstField(centralWidget())) first->setFocus(Qt::TabFocusReason);
}

void TDlgMusTree::rebuild() {
    Updating updating(updating_);
    tvMusParts->clear();
    TUnitMuz* doc = Doc();
    if (doc) {
        TMusTree tree(*doc);
        const std::vector<TMusTreeNode> nodes = tree.Listing();
        std::vector<QTreeWidgetItem*> items(nodes.size());
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const TMusTreeNode& node = nodes[i];
            auto* item = node.Parent < 0 ? new QTreeWidgetItem(tvMusParts) : new QTreeWidgetItem(items[node.Parent]);
            item->setText(0, QString::fromStdString(node.Item->GetShownName()));
            item->setIcon(0, MusTreeNodeIcon(MusTreeImage(*node.Item)));
            item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(node.Item)));
            // The root is not kept in the file, and neither would its label be.
            if (node.Parent >= 0) item->setFlags(item->flags() | Qt::ItemIsEditable);
            items[i] = item;
        }
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            TMusTreeItem* node = nodes[i].Item;
            bool open = false;
            if (nodes[i].Parent < 0)
                open = rootOpen_;
            else if (isPart(node) && static_cast<TPartMuz*>(node)->GetPartMuzKind() == partMuzLoop)
                open = static_cast<TLoopPartMuz*>(node)->Expanded;
            else if (isPart(node) && static_cast<TPartMuz*>(node)->GetPartMuzKind() == partMuzSelect)
                open = static_cast<TSelectPartMuz*>(node)->Expanded;
            if (items[i]->childCount() > 0) items[i]->setExpanded(open);
        }
        if (QTreeWidgetItem* selected = ItemOf(tree.Selected())) {
            tvMusParts->setCurrentItem(selected);
            tvMusParts->scrollToItem(selected);
        }
    }
    fillPart();
}

QTreeWidgetItem* TDlgMusTree::ItemOf(const TMusTreeItem* node) const {
    if (!node) return nullptr;
    for (QTreeWidgetItemIterator it(tvMusParts); *it; ++it)
        if (pointerOf(*it) == node) return *it;
    return nullptr;
}

TMusTreeItem* TDlgMusTree::nodeOf(QTreeWidgetItem* item) const {
    TUnitMuz* doc = Doc();
    TMusTreeItem* node = pointerOf(item);
    // An item of the view is only followed while its node is in the tree.
    return doc && inListing(TMusTree(*doc).Listing(), node) ? node : nullptr;
}

// Counts are in the shown names of repeats and turns.
void TDlgMusTree::relabel() {
    Updating updating(updating_);
    for (QTreeWidgetItemIterator it(tvMusParts); *it; ++it)
        if (TMusTreeItem* node = nodeOf(*it)) (*it)->setText(0, QString::fromStdString(node->GetShownName()));
}

void TDlgMusTree::fillPart() {
    Updating updating(updating_);
    TUnitMuz* doc = Doc();
    std::optional<TMusTree> tree;
    if (doc) tree.emplace(*doc);
    const TMusTreeEnabling e = tree ? tree->Enabling() : TMusTreeEnabling{};
    for (const TMusTreeActionInfo& info : MusTreeActions()) actions_[info.Action]->setEnabled(e.Actions[info.Action]);
    TMusTreeItem* node = tree ? tree->Selected() : nullptr;
    auto* part = isPart(node) ? static_cast<TPartMuz*>(node) : nullptr;
    auto* turn = node && !part ? static_cast<TCountSelectPartItem*>(node) : nullptr;
    auto* loop = part && part->GetPartMuzKind() == partMuzLoop ? static_cast<TLoopPartMuz*>(part) : nullptr;

    editCount->setEnabled(e.Count);
    editPitch->setEnabled(e.Pitch);
    // What is typed for the selected node and not committed stays.
    const bool keep = pending_ && pendingNode_ == node;
    if (!keep) pending_ = nullptr;
    if (pending_ != editCount) {
        const std::string count = turn ? turn->Count.ToText() : loop ? loop->Count.ToText() : "";
        editCount->setText(e.Count ? QString::fromStdString(count) : QString());
    }
    if (pending_ != editPitch) {
        editPitch->setText(e.Pitch && turn ? QString::fromStdString(turn->Pitch.ToText()) : QString());
        editOctave->setText(e.Pitch && turn ? QString::fromStdString(OctaveText(turn->Pitch.GetValue())) : QString());
    }
    editOctave->setEnabled(e.Pitch);
    chkPlayDraw->setEnabled(e.PlayDraw && part);
    Qt::CheckState state = Qt::Unchecked;
    if (part && PlayDrawState(*part) == playDrawChecked) state = Qt::Checked;
    if (part && PlayDrawState(*part) == playDrawGreyed) state = Qt::PartiallyChecked;
    chkPlayDraw->setCheckState(state);
    btnPlay->setEnabled(part && main_.CanPlay());
    btnApply->setEnabled(e.Count || e.Pitch);
}

// --- events -----------------------------------------------------------------

bool TDlgMusTree::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* control = static_cast<QWidget*>(watched);
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && control == pending_) {
            // Committed once the focus has moved, as in the music dialog.
            exitQueued_ = control;
            QTimer::singleShot(0, this, [this, control] {
                if (exitQueued_ == control) ExitControl(control);
            });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TDlgMusTree::ExitControl(QWidget* control) {
    if (exitQueued_ == control) exitQueued_ = nullptr;
    lastExited_ = control;
    TUnitMuz* doc = Doc();
    if (control != pending_ || !doc) return true;
    TMusTree tree(*doc);
    TMusTreeItem* shown = tree.Selected();
    if (!inListing(tree.Listing(), pendingNode_)) {
        // The node went away while its edit was pending.
        pending_ = nullptr;
        fillPart();
        return true;
    }
    // The text belongs to the node it was typed for, wherever the selection went since.
    tree.Select(pendingNode_);
    const std::string text = static_cast<QLineEdit*>(control)->text().toStdString();
    std::string message;
    const bool ok = control == editCount ? tree.CommitCount(text, message) : tree.CommitPitch(text, message);
    if (!ok && !message.empty()) {
        // A count another turn has already is a good number: the box shows
        // the old one again. A text that is no number stays to be mended.
        unitIntegerPosMore probe;
        std::string ignored;
        if (control == editCount && probe.FromText(text, "Count", ignored)) {
            pending_ = nullptr;
            fillPart();
        }
        {
            Updating updating(updating_);
            tvMusParts->setCurrentItem(ItemOf(pendingNode_));
        }
        ShowInputErrorText(message);
        control->setFocus(Qt::OtherFocusReason);
        return false;
    }
    pending_ = nullptr;
    tree.Select(shown);
    committed();
    return true;
}

bool TDlgMusTree::settle() { return !pending_ || ExitControl(pending_); }

void TDlgMusTree::Apply() {
    QWidget* back = pending_ ? pending_ : lastExited_;
    if (settle() && back && back->isEnabled()) back->setFocus(Qt::OtherFocusReason);
}

void TDlgMusTree::committed() {
    if (TUnitMuz* doc = Doc()) doc->EditName = "Music Parts";
    relabel();
    fillPart();
    if (child_) child_->Repaint();
    if (Changed) Changed();
}

void TDlgMusTree::pitchTyped() {
    // The octaves of what is typed, as far as it reads as a pitch.
    const std::string text = editPitch->text().toStdString();
    unitInteger pitch;
    std::string ignored;
    const bool read = !text.empty() && pitch.FromText(text, "Pitch", ignored);
    editOctave->setText(read ? QString::fromStdString(OctaveText(pitch.GetValue())) : QString());
}

void TDlgMusTree::currentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (updating_) return;
    TUnitMuz* doc = Doc();
    if (!doc) return;
    if (!settle()) {
        Updating updating(updating_);
        tvMusParts->setCurrentItem(ItemOf(pendingNode_) ? ItemOf(pendingNode_) : previous);
        return;
    }
    TMusTreeItem* node = current ? nodeOf(current) : nullptr;
    if (current && !node) {
        // The view was behind the document.
        rebuild();
        return;
    }
    TMusTree(*doc).Select(node);
    fillPart();
    // Go to Begin and End of the score follow the selected part.
    if (Changed) Changed();
}

void TDlgMusTree::labelEdited(QTreeWidgetItem* item) {
    if (updating_) return;
    TUnitMuz* doc = Doc();
    TMusTreeItem* node = nodeOf(item);
    if (!doc || !node) return;
    TMusTree tree(*doc);
    TMusTreeItem* shown = tree.Selected();
    tree.Select(node);
    std::string message;
    const bool ok = tree.SetLabel(item->text(0).toStdString(), message);
    tree.Select(shown);
    {
        Updating updating(updating_);
        item->setText(0, QString::fromStdString(node->GetShownName()));
    }
    if (!ok) {
        if (!message.empty()) ShowInputErrorText(message);
        return;
    }
    if (child_) child_->Repaint();
    if (Changed) Changed();
}

void TDlgMusTree::openedOrClosed(QTreeWidgetItem* item, bool open) {
    if (updating_) return;
    TUnitMuz* doc = Doc();
    TMusTreeItem* node = nodeOf(item);
    if (!doc || !node) return;
    if (node == doc->GetStartPart())
        rootOpen_ = open;
    else
        TMusTree(*doc).SetExpanded(node, open, false);
    if (Changed) Changed();
}

void TDlgMusTree::RunAction(TMusTreeAction action) {
    TUnitMuz* doc = Doc();
    if (!doc || !settle()) return;
    TMusTree tree(*doc);
    if (!tree.Enabled(action)) return;
    if (action == treeDelete && tree.DeleteNeedsConfirmation() &&
        messages().askOkCancel("A Single Part containing music is selected",
                               "Do you want to delete a part of music?") != MessageAnswer::Ok)
        return;
    const bool root = tree.Selected() == doc->GetStartPart();
    for (const TMusTreeActionInfo& info : MusTreeActions())
        if (info.Action == action) {
            std::string caption;
            for (const char* c = info.Caption; *c; ++c)
                if (*c != '&') caption += *c;
            doc->EditName = "Music Parts: " + caption;
        }
    const uint64_t revision = doc->Revision;
    const bool ran = tree.Run(action);
    if (doc->Revision == revision) doc->EditName.clear();  // a view change: no state
    if (!ran) return;
    if (root && (action == treeExpand || action == treeExpandAll)) rootOpen_ = true;
    if (root && (action == treeCollapse || action == treeCollapseAll)) rootOpen_ = false;
    rebuild();
    if (child_) child_->Repaint();
    if (Changed) Changed();
}

void TDlgMusTree::playDrawClicked() {
    TUnitMuz* doc = Doc();
    if (!doc) return;
    if (!settle()) {
        fillPart();
        return;
    }
    TMusTree(*doc).ClickPlayDraw();
    fillPart();
    if (child_) child_->Repaint();
    if (Changed) Changed();
}

void TDlgMusTree::playSubtree() {
    TUnitMuz* doc = Doc();
    if (!doc || !settle()) return;
    TMusTreeItem* node = TMusTree(*doc).Selected();
    if (isPart(node)) main_.PlayMusicPart(*doc, *static_cast<TPartMuz*>(node));
}

}  // namespace korvane

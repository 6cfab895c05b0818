// The event sheet's interface for assistive technology: the viewer's text without Qt's markers.
#include "views/sheet_accessible.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

#include "views/event_sheet_window.h"

namespace lintaro::views {

namespace {

constexpr char16_t kFrameStart = 0xFDD0;  // QTextBeginningOfFrame
constexpr char16_t kFrameEnd = 0xFDD1;    // QTextEndOfFrame

QAccessibleInterface* SheetAccessibleFactory(const QString& key, QObject* object) {
    if (key == QLatin1String(SealedBrowser::staticMetaObject.className())) {
        if (auto* viewer = qobject_cast<SealedBrowser*>(object)) return new SheetAccessible(viewer);
    }
    return nullptr;
}

}  // namespace

QString ReadableSheetText(QString text) {
    for (QChar& c : text) {
        switch (c.unicode()) {
            case kFrameStart:
            case kFrameEnd:
            case QChar::ParagraphSeparator:
            case QChar::LineSeparator:
                c = u'\n';
                break;
            case QChar::ObjectReplacementCharacter:
                c = u' ';
                break;
            default:
                break;
        }
    }
    return text;
}

SheetAccessible::SheetAccessible(QTextEdit* viewer)
    : QAccessibleWidget(viewer, QAccessible::StaticText) {}

QTextEdit* SheetAccessible::Viewer() const { return static_cast<QTextEdit*>(widget()); }

void* SheetAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State SheetAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = Viewer()->isReadOnly();
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString SheetAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return text(0, characterCount());
    return QAccessibleWidget::text(kind);
}

void SheetAccessible::selection(int index, int* start, int* end) const {
    const QTextCursor cursor = Viewer()->textCursor();
    if (index != 0 || !cursor.hasSelection()) {
        *start = *end = 0;
        return;
    }
    *start = cursor.selectionStart();
    *end = cursor.selectionEnd();
}

int SheetAccessible::selectionCount() const { return Viewer()->textCursor().hasSelection(); }

void SheetAccessible::addSelection(int start, int end) { setSelection(0, start, end); }

void SheetAccessible::removeSelection(int index) {
    if (index != 0) return;
    QTextCursor cursor = Viewer()->textCursor();
    cursor.clearSelection();
    Viewer()->setTextCursor(cursor);
}

void SheetAccessible::setSelection(int index, int start, int end) {
    if (index != 0) return;
    const int count = characterCount();
    QTextCursor cursor = Viewer()->textCursor();
    cursor.setPosition(std::clamp(start, 0, count));
    cursor.setPosition(std::clamp(end, 0, count), QTextCursor::KeepAnchor);
    Viewer()->setTextCursor(cursor);
}

int SheetAccessible::cursorPosition() const { return Viewer()->textCursor().position(); }

void SheetAccessible::setCursorPosition(int position) { setSelection(0, position, position); }

QString SheetAccessible::text(int start, int end) const {
    const int count = characterCount();
    start = std::clamp(start, 0, count);
    end = std::clamp(end, 0, count);
    if (start >= end) return QString();
    QTextCursor cursor(Viewer()->document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    return ReadableSheetText(cursor.selectedText());
}

int SheetAccessible::characterCount() const {
    return std::max(0, Viewer()->document()->characterCount() - 1);
}

QRect SheetAccessible::characterRect(int offset) const {
    if (offset < 0 || offset >= characterCount()) return QRect();
    QTextCursor cursor(Viewer()->document());
    cursor.setPosition(offset);
    QRect rect = Viewer()->cursorRect(cursor);
    const QFontMetrics metrics(cursor.charFormat().font());
    rect.setWidth(std::max(1, metrics.horizontalAdvance(text(offset, offset + 1))));
    return QRect(Viewer()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int SheetAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Viewer()->viewport()->mapFromGlobal(point);
    if (!Viewer()->viewport()->rect().contains(local)) return -1;
    return Viewer()->cursorForPosition(local).position();
}

void SheetAccessible::scrollToSubstring(int start, int end) {
    const int count = characterCount();
    QTextCursor cursor(Viewer()->document());
    cursor.setPosition(std::clamp(start, 0, count));
    QRect rect = Viewer()->cursorRect(cursor);
    cursor.setPosition(std::clamp(end, 0, count));
    rect = rect.united(Viewer()->cursorRect(cursor));
    const QRect shown = Viewer()->viewport()->rect();
    // Scrolls by the least that brings the substring's start, then as much of it as fits, in view.
    const auto scroll_into = [](QScrollBar* bar, int low, int high, int view_low, int view_high) {
        if (high > view_high) bar->setValue(bar->value() + high - view_high);
        if (low < view_low || high - low > view_high - view_low) {
            bar->setValue(bar->value() + low - view_low);
        }
    };
    scroll_into(Viewer()->verticalScrollBar(), rect.top(), rect.bottom(), shown.top(),
                shown.bottom());
    scroll_into(Viewer()->horizontalScrollBar(), rect.left(), rect.right(), shown.left(),
                shown.right());
}

QString SheetAccessible::attributes(int, int* start, int* end) const {
    // No attributes are published: the whole text is one plain run.
    *start = 0;
    *end = characterCount();
    return QString();
}

QPair<int, int> SheetAccessible::UnitAt(int offset, QAccessible::TextBoundaryType boundary) const {
    QTextCursor cursor(Viewer()->document());
    cursor.setPosition(std::clamp(offset, 0, characterCount()));
    return QAccessible::qAccessibleTextBoundaryHelper(cursor, boundary);
}

QString SheetAccessible::UnitText(QPair<int, int> unit, int* start, int* end) const {
    *start = unit.first;
    *end = unit.second;
    return text(unit.first, unit.second);
}

QString SheetAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundary,
                                      int* start, int* end) const {
    *start = *end = -1;
    const int count = characterCount();
    if (offset < 0 || offset > count) return QString();
    if (offset == count && count > 0) offset = count - 1;
    return UnitText(UnitAt(offset, boundary), start, end);
}

// The unit before (after) the one at `offset`: the nearest that starts before (after) it. A unit
// ends where the next begins only inside a paragraph: at a cell's or a paragraph's end the
// separator between them belongs to neither, so the search steps over it.
QString SheetAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary,
                                          int* start, int* end) const {
    *start = *end = -1;
    if (offset < 0 || offset > characterCount()) return QString();
    const QPair<int, int> unit = UnitAt(offset, boundary);
    for (int position = unit.first - 1; position >= 0; --position) {
        const QPair<int, int> before = UnitAt(position, boundary);
        if (before.first < unit.first) return UnitText(before, start, end);
    }
    return QString();
}

QString SheetAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary,
                                         int* start, int* end) const {
    *start = *end = -1;
    const int count = characterCount();
    if (offset < 0 || offset > count) return QString();
    const QPair<int, int> unit = UnitAt(offset, boundary);
    for (int position = std::max(unit.second, unit.first + 1); position < count; ++position) {
        const QPair<int, int> after = UnitAt(position, boundary);
        if (after.first > unit.first) return UnitText(after, start, end);
    }
    return QString();
}

void InstallSheetAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(SheetAccessibleFactory);
        return true;
    }();
    (void)installed;
}

void NotifySheetReplaced(SealedBrowser* viewer, int old_length) {
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(viewer);
    QAccessibleTextInterface* text = iface ? iface->textInterface() : nullptr;
    if (text == nullptr) return;
    // The removed text is gone; as Qt does, its length is told in spaces.
    QAccessibleTextUpdateEvent event(viewer, 0, QString(std::max(0, old_length), u' '),
                                     text->text(0, text->characterCount()));
    QAccessible::updateAccessibility(&event);
}

}  // namespace lintaro::views

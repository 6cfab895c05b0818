// What assistive technology reads of the event sheet. Qt's own interface for a text browser hands
// out the document's raw text, in which every table cell and frame starts or ends with a private
// marker (U+FDD0, U+FDD1) that screen readers announce or show as junk. This interface gives the
// same text with those markers, paragraph and line separators as line breaks and the images'
// object characters as spaces, one character for one, so offsets stay document positions.
#pragma once

#include <QAccessibleWidget>
#include <QString>

class QTextEdit;

namespace lintaro::views {

class SealedBrowser;

// The readable form of document text: one character for each.
QString ReadableSheetText(QString text);

class SheetAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit SheetAccessible(QTextEdit* viewer);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    // QAccessibleTextInterface. Boundaries are found in the document as Qt's own text widgets
    // find them (Qt's generic helper over a plain text loops for ever on a text that starts
    // between words, as a sheet that starts with a table does).
    void selection(int index, int* start, int* end) const override;
    int selectionCount() const override;
    void addSelection(int start, int end) override;
    void removeSelection(int index) override;
    void setSelection(int index, int start, int end) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int start, int end) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int start, int end) override;
    QString attributes(int offset, int* start, int* end) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                             int* end) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                            int* end) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                         int* end) const override;

  private:
    QTextEdit* Viewer() const;
    // The boundaries of the unit of `boundary` at `offset` (clamped into the text).
    QPair<int, int> UnitAt(int offset, QAccessible::TextBoundaryType boundary) const;
    QString UnitText(QPair<int, int> unit, int* start, int* end) const;
};

// Makes every SealedBrowser answer through SheetAccessible (once per program).
void InstallSheetAccessible();

// Tells assistive technology that the viewer's whole text was replaced (`old_length` characters).
void NotifySheetReplaced(SealedBrowser* viewer, int old_length);

}  // namespace lintaro::views

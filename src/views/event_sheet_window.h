// The event-sheet window: one event's further markets, an HTML fragment from the bookmaker's page,
// rendered in a viewer that treats it as untrusted: the sheet reaches it bounded (sheet/
// bounded_sheet.h: no URL, no script, a layout that stays quick), and the viewer itself loads no
// resource of any scheme (files, network, data: URLs, Qt resources) and follows no link.
#pragma once

#include <QDialog>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <QUrl>
#include <string>

#include "sheet/bounded_sheet.h"

namespace lintaro::views {

// A document that never loads a resource: images, style sheets and anything else an event sheet
// names stay unloaded, whatever their URL.
class SealedDocument : public QTextDocument {
    Q_OBJECT
  public:
    explicit SealedDocument(QObject* parent);
    // Every URL the document asked for, in order (what a loader would have fetched).
    const QList<QUrl>& RefusedUrls() const { return refused_; }
    // Records the URL and loads nothing.
    QVariant loadResource(int type, const QUrl& name) override;

  private:
    QList<QUrl> refused_;
};

// Stands in for every image of a sealed document: a dotted frame of the size the markup asks for
// (within kMaxImageExtent pixels each way, 16 × 16 when it asks none), drawn without loading
// anything. Qt's own image handler would read a file named by a bare path directly.
class ImagePlaceholder : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
  public:
    static constexpr int kMaxImageExtent = sheet::kMaxImageExtent;
    using QObject::QObject;
    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;
};

// The HTML viewer: a read-only text browser over a SealedDocument that opens no link. Assistive
// technology reads its text through SheetAccessible (views/sheet_accessible.h).
class SealedBrowser : public QTextBrowser {
    Q_OBJECT
  public:
    explicit SealedBrowser(QWidget* parent);
    SealedDocument* Document() const { return document_; }
    QVariant loadResource(int type, const QUrl& name) override;

    // Replaces the document's content with `html` (the document stays the same object). The
    // content is filled while the viewer is detached from the document: Qt's own text-change
    // notice for assistive technology would carry the raw text, table markers included, so the
    // viewer sends a clean one instead.
    void ShowHtml(const QString& html);

  private:
    SealedDocument* NewDocument();

    SealedDocument* document_;
    SealedDocument* stand_in_;  // empty; shown while document_ is filled
};

class TFDopInfo : public QDialog {
    Q_OBJECT
  public:
    // Created hidden with an empty document.
    explicit TFDopInfo(QWidget* parent = nullptr);

    SealedBrowser* WebBrowser() const { return web_browser_; }

    // Replaces the document with `event_sheet` (Windows-1251 HTML) rendered as HTML within the
    // bounds of sheet::WriteBoundedSheet (longer input shows its first sheet::kMaxSheetBytes
    // bytes); the previous event sheet is not kept. The caller then shows the window modally
    // (ShowEventSheet does both).
    void WriteEventSheet(const std::string& event_sheet);
    // Writes the event sheet and shows the window modally; returns when the user closes it.
    void ShowEventSheet(const std::string& event_sheet);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    SealedBrowser* web_browser_;
    bool placed_ = false;
};

}  // namespace lintaro::views

// The event-sheet window and its sealed viewer.
#include "views/event_sheet_window.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "sheet/bounded_sheet.h"
#include "views/sheet_accessible.h"
#include "views/window_placement.h"

namespace lintaro::views {

SealedDocument::SealedDocument(QObject* parent) : QTextDocument(parent) {
    // Qt falls back to a resource provider when loadResource gives nothing: this one gives nothing
    // too, so no program-wide provider is ever asked.
    setResourceProvider([](const QUrl&) { return QVariant(); });
}

QVariant SealedDocument::loadResource(int, const QUrl& name) {
    refused_.append(name);
    return QVariant();
}

QSizeF ImagePlaceholder::intrinsicSize(QTextDocument*, int, const QTextFormat& format) {
    const QTextImageFormat image = format.toImageFormat();
    const auto extent = [](qreal asked) {
        return asked > 0 ? std::min<qreal>(asked, kMaxImageExtent) : qreal{16};
    };
    return QSizeF(extent(image.width()), extent(image.height()));
}

void ImagePlaceholder::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                                  const QTextFormat&) {
    painter->save();
    painter->setPen(QPen(QColor(160, 160, 160), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    painter->restore();
}

SealedBrowser::SealedBrowser(QWidget* parent) : QTextBrowser(parent) {
    InstallSheetAccessible();
    document_ = NewDocument();
    stand_in_ = NewDocument();
    setDocument(document_);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setSearchPaths({});
    setAccessibleName(QStringLiteral("Роспись"));
}

SealedDocument* SealedBrowser::NewDocument() {
    auto* document = new SealedDocument(this);
    document->setDefaultFont(font());
    // A sheet is never edited: an undo record of each import would only hold memory.
    document->setUndoRedoEnabled(false);
    document->documentLayout()->registerHandler(QTextFormat::ImageObject,
                                                new ImagePlaceholder(document));
    return document;
}

QVariant SealedBrowser::loadResource(int type, const QUrl& name) {
    return document_->loadResource(type, name);
}

void SealedBrowser::ShowHtml(const QString& html) {
    const int old_length = document_->characterCount() - 1;
    // The document is filled while the viewer shows an empty stand-in, so the viewer's own
    // notice of the change (with Qt's markers in its text) is never made.
    setDocument(stand_in_);
    document_->setHtml(html);
    setDocument(document_);
    NotifySheetReplaced(this, old_length);
}

TFDopInfo::TFDopInfo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint),
      web_browser_(new SealedBrowser(this)) {
    setObjectName(QStringLiteral("FDopInfo"));
    setWindowTitle(QStringLiteral("Роспись"));
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(web_browser_);
    resize(714, 342);
    // The empty document the first event sheet replaces.
}

void TFDopInfo::WriteEventSheet(const std::string& event_sheet) {
    web_browser_->ShowHtml(QString::fromStdString(sheet::WriteBoundedSheet(event_sheet)));
    web_browser_->moveCursor(QTextCursor::Start);
}

void TFDopInfo::ShowEventSheet(const std::string& event_sheet) {
    WriteEventSheet(event_sheet);
    exec();
}

void TFDopInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!placed_) {
        // The outer size counts the frame, which is known only once the window is on screen.
        placed_ = true;
        SetOuterSizeCentred(this, QSize(714, 342));
        QTimer::singleShot(0, this, [this] { SetOuterSizeCentred(this, QSize(714, 342)); });
    } else {
        CentreOnScreen(this);
    }
}

}  // namespace lintaro::views

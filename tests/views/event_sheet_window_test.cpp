// The event-sheet window: Windows-1251 HTML rendered as HTML, each sheet replacing the last, and
// a viewer that loads no resource and follows no link whatever the sheet names.
#include "views/event_sheet_window.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextTable>
#include <QTimer>
#include <string>

#include "scripted_server.h"
#include "table/cp1251_text.h"

using lintaro::Utf8ToCp1251;
using lintaro::views::TFDopInfo;

namespace {

bool HasTable(QTextDocument* document) {
    for (QTextFrame* frame : document->rootFrame()->childFrames()) {
        if (qobject_cast<QTextTable*>(frame) != nullptr) return true;
    }
    return false;
}

// Lays the document out and paints it, which is when images and style sheets are asked for.
void Render(TFDopInfo& window) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.WebBrowser()->viewport()->grab();
    window.hide();
}

}  // namespace

class EventSheetWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void StartsHiddenWithItsCaptionSizeAndAnEmptyDocument() {
        TFDopInfo window;
        QVERIFY(!window.isVisible());
        QCOMPARE(window.windowTitle(), QStringLiteral("Роспись"));
        QCOMPARE(window.size(), QSize(714, 342));
        QVERIFY(window.WebBrowser()->document()->isEmpty());
        QVERIFY(window.WebBrowser()->isReadOnly());
        // Resizable: the viewer follows the window.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(500, 300);
        QTRY_COMPARE(window.WebBrowser()->size(), QSize(500, 300));
    }

    void SheetIsRenderedAsHtmlWithCyrillicLetters() {
        TFDopInfo window;
        window.WriteEventSheet(
            Utf8ToCp1251("<table><tr><td>Тотал больше 2.5</td><td>1.85</td></tr></table>"));
        QTextDocument* document = window.WebBrowser()->document();
        QVERIFY(HasTable(document));
        const QString text = document->toPlainText();
        QVERIFY(text.contains(QStringLiteral("Тотал больше 2.5")));
        QVERIFY(!text.contains(QStringLiteral("<td>")));
    }

    void SecondSheetReplacesTheFirst() {
        TFDopInfo window;
        window.WriteEventSheet(Utf8ToCp1251("<p>Лист А</p>"));
        window.WriteEventSheet(Utf8ToCp1251("<b>Лист Б</b>"));
        const QString text = window.WebBrowser()->document()->toPlainText();
        QVERIFY(text.contains(QStringLiteral("Лист Б")));
        QVERIFY(!text.contains(QStringLiteral("Лист А")));
    }

    void ShowEventSheetShowsModallyAndReturnsWhenClosed() {
        TFDopInfo window;
        bool was_modal = false;
        QTimer::singleShot(0, &window, [&] {
            was_modal = window.isVisible() && window.isModal();
            window.close();
        });
        window.ShowEventSheet(Utf8ToCp1251("<p>Ставки</p>"));
        QVERIFY(was_modal);
        QVERIFY(!window.isVisible());
        QVERIFY(window.WebBrowser()->document()->toPlainText().contains(QStringLiteral("Ставки")));
    }

    void ResourcesOfEveryKindStayUnloaded() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(Qt::red);
        const QString image_file = dir.filePath("picture.png");
        QVERIFY(red.save(image_file));
        const QString css_file = dir.filePath("look.css");
        {
            QFile css(css_file);
            QVERIFY(css.open(QIODevice::WriteOnly));
            css.write("p { color: #ff0000; font-size: 40pt; }");
        }
        lintaro::testing_util::ScriptedServer server({});
        // A 1 × 1 PNG written as a data: URL.
        const char* data_png =
            "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8"
            "BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==";
        const std::string sheet =
            "<html><head><link rel=\"stylesheet\" href=\"file://" + css_file.toStdString() +
            "\"><link rel=\"stylesheet\" href=\"" + server.Url("/look.css") +
            "\"><link rel=\"stylesheet\" href=\"look.css\"></head><body>"
            "<p style=\"background-image: url(file://" +
            image_file.toStdString() +
            ")\">text</p>"
            "<img src=\"file://" +
            image_file.toStdString() +
            "\">"
            "<img src=\"" +
            image_file.toStdString() +
            "\">"
            "<img src=\"" +
            server.Url("/picture.png") +
            "\">"
            "<img src=\"" +
            data_png +
            "\">"
            "<img src=\"qrc:/qt-project.org/styles/commonstyle/images/file-16.png\">"
            "<img src=\":/qt-project.org/styles/commonstyle/images/file-16.png\">"
            "<a href=\"file://" +
            image_file.toStdString() + "\">link</a></body></html>";
        TFDopInfo window;
        window.WebBrowser()->setSearchPaths({dir.path()});  // even with a search path set
        window.WriteEventSheet(sheet);
        Render(window);

        lintaro::views::SealedDocument* document = window.WebBrowser()->Document();
        QVERIFY(!document->RefusedUrls().isEmpty());
        const QList<QUrl> asked = document->RefusedUrls();
        for (const QUrl& url : asked) {
            QVERIFY2(document->resource(QTextDocument::ImageResource, url).isNull(),
                     qPrintable(url.toString()));
            QVERIFY2(document->resource(QTextDocument::StyleSheetResource, url).isNull(),
                     qPrintable(url.toString()));
        }
        // Nothing of the style sheets took effect, nothing reached the network.
        const QTextBlock first = document->begin();
        QVERIFY(first.charFormat().foreground().color() != QColor(255, 0, 0));
        QCOMPARE(server.AcceptedConnections(), 0);
        // No red pixel of the image file anywhere in the rendering.
        const QImage shot = window.WebBrowser()->viewport()->grab().toImage();
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                QVERIFY(shot.pixelColor(x, y) != QColor(255, 0, 0));
            }
        }
    }

    void LinksAreNotFollowed() {
        TFDopInfo window;
        window.WriteEventSheet(
            "<p><a href=\"http://127.0.0.1:9/\">one</a> <a href=\"#x\">two</a></p>");
        const QString before = window.WebBrowser()->document()->toHtml();
        QVERIFY(!window.WebBrowser()->openLinks());
        QVERIFY(!window.WebBrowser()->openExternalLinks());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.WebBrowser()->setFocus();
        QTest::keyClick(window.WebBrowser(), Qt::Key_Tab);
        QTest::keyClick(window.WebBrowser(), Qt::Key_Return);
        QTest::keyClick(window.WebBrowser(), Qt::Key_Tab);
        QTest::keyClick(window.WebBrowser(), Qt::Key_Return);
        QCOMPARE(window.WebBrowser()->document()->toHtml(), before);
        QVERIFY(window.WebBrowser()->source().isEmpty());
    }

    void HostileSheetsShowWithoutHarm_data() {
        QTest::addColumn<QByteArray>("sheet");
        QTest::newRow("script") << QByteArray("<script>while(1){}</script><p>x</p>");
        QTest::newRow("forms") << QByteArray(
            "<form action=\"http://127.0.0.1:9/\"><input name=a><button>go</button></form>");
        QTest::newRow("frames") << QByteArray(
            "<frameset><frame src=\"file:///etc/passwd\"></frameset><iframe src=\"/etc/passwd\">"
            "<p>after</p>");
        QTest::newRow("huge image")
            << QByteArray("<img src=\"x.png\" width=\"100000\" height=\"100000\"><p>after</p>");
        QTest::newRow("broken markup") << QByteArray("<table><tr><td><b><i>open</table></p></td>");
        QByteArray high;
        for (int byte = 128; byte < 256; ++byte) high.append(char(byte));
        QTest::newRow("bytes 128-255") << high;
    }
    void HostileSheetsShowWithoutHarm() {
        QFETCH(QByteArray, sheet);
        TFDopInfo window;
        window.WriteEventSheet(sheet.toStdString());
        Render(window);
        QVERIFY(!window.WebBrowser()->document()->isEmpty());
    }

    void LargeSheetShowsItsBeginning() {
        std::string rows;
        for (int row = 0; rows.size() < 10'000'000; ++row) {
            rows += "<tr><td>Фора " + std::to_string(row) + "</td><td>2.10</td></tr>";
        }
        TFDopInfo window;
        window.WriteEventSheet(Utf8ToCp1251("<table>" + rows + "</table>"));
        Render(window);
        QTextDocument* document = window.WebBrowser()->document();
        QVERIFY(HasTable(document));
        QVERIFY(document->toPlainText().contains(QStringLiteral("Фора 0")));
        QVERIFY(!document->toPlainText().contains(QStringLiteral("Фора 100000")));
    }
};

QTEST_MAIN(EventSheetWindowTest)
#include "event_sheet_window_test.moc"

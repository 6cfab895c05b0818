// The event-sheet window: Windows-1251 HTML rendered as HTML, each sheet replacing the last, real
// sheets looking as they always did, a viewer that loads no resource and follows no link whatever
// the sheet names, and text for assistive technology without Qt's private markers.
#include "views/event_sheet_window.h"

#include <QAccessible>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextTable>
#include <QTimer>
#include <string>

#include "demo/demo_line.h"
#include "demo_test_util.h"
#include "scripted_server.h"
#include "table/cp1251_text.h"

using lintaro::table::Utf8ToCp1251;
using lintaro::views::TFDopInfo;

namespace {

QTextTable* FirstTable(QTextDocument* document) {
    for (QTextFrame* frame : document->rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) return table;
    }
    return nullptr;
}

bool HasTable(QTextDocument* document) { return FirstTable(document) != nullptr; }

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
        QTextDocument* document = window.WebBrowser()->document();
        window.WriteEventSheet(Utf8ToCp1251("<b>Лист Б</b>"));
        // The viewer keeps its document: callers may hold it across sheets.
        QCOMPARE(window.WebBrowser()->document(), document);
        const QString text = document->toPlainText();
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

    // Through the window the bounded writer removes every URL, so nothing is even asked for; the
    // sealed viewer given the raw sheet still loads none of what it asks for.
    void ResourcesOfEveryKindStayUnloaded_data() {
        QTest::addColumn<bool>("bounded");
        QTest::newRow("through the window") << true;
        QTest::newRow("raw into the viewer") << false;
    }
    void ResourcesOfEveryKindStayUnloaded() {
        QFETCH(bool, bounded);
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
        if (bounded) {
            window.WriteEventSheet(sheet);
        } else {
            window.WebBrowser()->ShowHtml(QString::fromStdString(sheet));
        }
        Render(window);

        lintaro::views::SealedDocument* document = window.WebBrowser()->Document();
        QCOMPARE(document->RefusedUrls().isEmpty(), bounded);
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

    // The demo line's sheets through the bounded writer look exactly as the raw sheets rendered:
    // the same text, the same tables, the same pixels.
    void RealSheetsLookAsBefore() {
        const lintaro::demo::FirstLine line = lintaro::demo::BuildFirstLine(
            lintaro::testing_util::DemoTestOptions(40), lintaro::testing_util::kDemoToday);
        TFDopInfo bounded;
        TFDopInfo raw;
        int compared = 0;
        for (const lintaro::table::OddsRecord& row : line.rows) {
            const std::string sheet = row.dop_info.value_or("");
            if (sheet.empty()) continue;
            bounded.WriteEventSheet(sheet);
            raw.WebBrowser()->ShowHtml(QString::fromStdString(lintaro::table::Cp1251ToUtf8(sheet)));
            QTextDocument* shown = bounded.WebBrowser()->document();
            QTextDocument* before = raw.WebBrowser()->document();
            QCOMPARE(shown->toPlainText(), before->toPlainText());
            const QTextTable* shown_table = FirstTable(shown);
            const QTextTable* before_table = FirstTable(before);
            QVERIFY(shown_table != nullptr && before_table != nullptr);
            QCOMPARE(shown_table->rows(), before_table->rows());
            QCOMPARE(shown_table->columns(), before_table->columns());
            if (compared++ < 5) {
                bounded.show();
                raw.show();
                QVERIFY(QTest::qWaitForWindowExposed(&bounded));
                QVERIFY(QTest::qWaitForWindowExposed(&raw));
                QCOMPARE(bounded.WebBrowser()->viewport()->grab().toImage(),
                         raw.WebBrowser()->viewport()->grab().toImage());
            }
        }
        QVERIFY(compared > 30);
    }

    // Screen readers get the sheet's text with its cells on lines of their own, never Qt's frame
    // markers (U+FDD0, U+FDD1) or other private characters, whichever way they ask for it.
    void AccessibleTextHasNoPrivateMarkers() {
        TFDopInfo window;
        // Starting with a table, as real sheets do, the text starts between words.
        window.WriteEventSheet(
            Utf8ToCp1251("<table><tr><td>Тотал</td><td>1.85</td></tr><tr><td>Фора</td>"
                         "<td><table><tr><td>вложенная</td></tr></table></td></tr></table>"
                         "<p>Итоги, конец <img width=8 height=8> строки</p>"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAccessibleInterface* sheet = QAccessible::queryAccessibleInterface(window.WebBrowser());
        QVERIFY(sheet != nullptr);
        QCOMPARE(sheet->text(QAccessible::Name), QStringLiteral("Роспись"));
        QAccessibleTextInterface* text = sheet->textInterface();
        QVERIFY(text != nullptr);
        const int count = text->characterCount();
        QCOMPARE(count, window.WebBrowser()->document()->characterCount() - 1);
        const auto clean = [](const QString& part) {
            for (QChar c : part) {
                const char16_t u = c.unicode();
                if ((u >= 0xFDD0 && u <= 0xFDEF) || (u >= 0xE000 && u <= 0xF8FF) ||
                    u == QChar::ObjectReplacementCharacter || u == QChar::ParagraphSeparator ||
                    u == QChar::LineSeparator) {
                    return false;
                }
            }
            return true;
        };
        const QString whole = text->text(0, count);
        QVERIFY(clean(whole));
        QVERIFY(clean(sheet->text(QAccessible::Value)));
        QCOMPARE(whole, window.WebBrowser()->document()->toPlainText().replace(u'\uFFFC', u' '));
        QVERIFY(whole.contains(QStringLiteral("Тотал\n1.85\nФора\n")));
        for (int offset = 0; offset < count; ++offset) {
            for (auto boundary : {QAccessible::CharBoundary, QAccessible::WordBoundary,
                                  QAccessible::SentenceBoundary, QAccessible::LineBoundary,
                                  QAccessible::ParagraphBoundary}) {
                int start = 0, end = 0;
                QVERIFY(clean(text->textAtOffset(offset, boundary, &start, &end)));
                QVERIFY(clean(text->textBeforeOffset(offset, boundary, &start, &end)));
                QVERIFY(clean(text->textAfterOffset(offset, boundary, &start, &end)));
            }
        }
        int start = 0, end = 0;
        const int total = whole.indexOf(QStringLiteral("Тотал"));
        QCOMPARE(text->textAtOffset(total + 2, QAccessible::WordBoundary, &start, &end),
                 QStringLiteral("Тотал"));
        QCOMPARE(start, total);
        QCOMPARE(text->textAfterOffset(total, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("1.85"));
        // Positions still point into the viewer: the caret and a character's place.
        text->setCursorPosition(whole.indexOf(QStringLiteral("1.85")));
        QCOMPARE(window.WebBrowser()->textCursor().position(),
                 whole.indexOf(QStringLiteral("1.85")));
        const QRect place = text->characterRect(whole.indexOf(QStringLiteral("1.85")));
        QVERIFY(place.isValid());
        QCOMPARE(text->offsetAtPoint(place.center()), whole.indexOf(QStringLiteral("1.85")));
    }

    void ImagesStayPlaceholdersOfBoundedSize() {
        lintaro::views::ImagePlaceholder placeholder;
        QTextImageFormat huge;
        huge.setWidth(100000);
        huge.setHeight(5000);
        QCOMPARE(placeholder.intrinsicSize(nullptr, 0, huge), QSizeF(200, 200));
        QCOMPARE(placeholder.intrinsicSize(nullptr, 0, QTextImageFormat()), QSizeF(16, 16));
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
            "<p>before</p><frameset><frame src=\"file:///etc/passwd\"></frameset>"
            "<iframe src=\"/etc/passwd\"><p>after</p>");
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

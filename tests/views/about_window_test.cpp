// The about window: its fixed layout, the version from the record, and the contact link's colours,
// cursor and mail link.
#include "views/about_window.h"

#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "views/version_record.h"

using lintaro::views::ContactLink;
using lintaro::views::EmbossedLabel;
using lintaro::views::Tfsh_About;

namespace {

bool HasPixel(const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == color) return true;
        }
    }
    return false;
}

}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void LayoutToThePixel() {
        Tfsh_About about;
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(about.size(), QSize(300, 214));
        QCOMPARE(about.minimumSize(), QSize(300, 214));
        QCOMPARE(about.maximumSize(), QSize(300, 214));
        QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(about.Panel()->geometry(), QRect(5, 5, 290, 176));
        QCOMPARE(about.OkButton()->geometry(), QRect(115, 185, 75, 25));
        QCOMPARE(about.OkButton()->text(), QStringLiteral("OK"));
        QVERIFY(about.OkButton()->isDefault());

        // Field names: the text starts at the given point; the widget one pixel up and left.
        const QList<EmbossedLabel*> names = about.Panel()->findChildren<EmbossedLabel*>();
        QMap<QString, QPoint> name_at;
        for (EmbossedLabel* name : names) name_at[name->text()] = name->pos() + QPoint(1, 1);
        QCOMPARE(name_at.value("Product Name"), QPoint(82, 10));
        QCOMPARE(name_at.value("Version"), QPoint(82, 30));
        QCOMPARE(name_at.value("Programming"), QPoint(6, 60));
        QCOMPARE(name_at.value("Contact"), QPoint(30, 101));
        QCOMPARE(name_at.value("Comments"), QPoint(18, 126));

        QMap<QString, QLabel*> values;
        for (QLabel* label : about.Panel()->findChildren<QLabel*>()) {
            if (qobject_cast<EmbossedLabel*>(label) == nullptr) values[label->text()] = label;
        }
        // Every field name, with the desktop's face, ends a visible gap before the value on its
        // line begins, at the largest size up to the laid-out 11 pixels that allows it.
        QList<QWidget*> line_values{about.lbl_Mail()};
        for (QLabel* value : values) line_values.append(value);
        int pairs = 0;
        for (EmbossedLabel* name : names) {
            for (QWidget* value : line_values) {
                if (value->y() != name->y() + 1) continue;
                ++pairs;
                QVERIFY2(name->geometry().right() + 1 + Tfsh_About::kNameGap < value->x(),
                         qPrintable(name->text()));
            }
        }
        QCOMPARE(pairs, 5);
        const int size = about.font().pixelSize();
        QVERIFY(size <= Tfsh_About::kFontPixelSize);
        if (size < Tfsh_About::kFontPixelSize) {
            // One pixel larger and some name would touch its value.
            QFont larger = about.font();
            larger.setPixelSize(size + 1);
            const QFontMetrics metrics(larger);
            QVERIFY(6 + metrics.horizontalAdvance("Programming") + 1 + Tfsh_About::kNameGap > 82 ||
                    18 + metrics.horizontalAdvance("Comments") + 1 + Tfsh_About::kNameGap > 82 ||
                    30 + metrics.horizontalAdvance("Contact") + 1 + Tfsh_About::kNameGap > 82 ||
                    82 + metrics.horizontalAdvance("Product Name") + 1 + Tfsh_About::kNameGap >
                        180);
        }
        QVERIFY(values.contains("Lintaro"));
        QCOMPARE(values["Lintaro"]->pos(), QPoint(180, 10));
        QCOMPARE(values["Lintaro"]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(about.lbl_Version()->pos(), QPoint(180, 30));
        QCOMPARE(about.lbl_Version()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(values.contains("Lintaro developers"));
        QCOMPARE(values["Lintaro developers"]->pos(), QPoint(82, 60));
        const QString comment = QStringLiteral("Просмотрщик линии БК Марафон");
        QVERIFY(values.contains(comment));
        QCOMPARE(values[comment]->geometry(), QRect(82, 126, 164, 39));
        QVERIFY(values[comment]->wordWrap());

        QCOMPARE(about.lbl_Mail()->pos(), QPoint(82, 101));
        QCOMPARE(about.lbl_Mail()->text(), QStringLiteral("lintaro@example.org"));
        QVERIFY(about.lbl_Mail()->font().underline());
        QCOMPARE(about.lbl_Mail()->TextColor(), QColor(0, 0, 128));

        // The picture: the application icon at 32 × 32.
        QLabel* picture = nullptr;
        for (QLabel* label : about.Panel()->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull() && qobject_cast<EmbossedLabel*>(label) == nullptr) {
                picture = label;
            }
        }
        QVERIFY(picture != nullptr);
        QCOMPARE(picture->geometry(), QRect(8, 8, 32, 32));
        QCOMPARE(picture->pixmap().size(), QSize(32, 32));
    }

    void VersionComesFromTheRecord() {
        Tfsh_About about;
        QCOMPARE(about.lbl_Version()->text(), QStringLiteral("1.1.0.0"));

        const std::vector<uint8_t> without_string =
            lintaro::views::BuildVersionRecord(lintaro::views::VersionRecordContents{
                "1.1.0.0", std::pair<uint16_t, uint16_t>{0x0419, 0x04E3}, {}});
        Tfsh_About old(nullptr, without_string);
        QCOMPARE(old.lbl_Version()->text(), QStringLiteral("3.0"));
    }

    void LinkTurnsBlueWithHandCursorWhileThePointerIsOverIt() {
        Tfsh_About about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        ContactLink* link = about.lbl_Mail();
        const QPointF inside(2, 2);
        QEnterEvent enter(inside, link->mapToGlobal(inside), link->mapToGlobal(inside));
        QApplication::sendEvent(link, &enter);
        QCOMPARE(link->TextColor(), QColor(0, 0, 255));
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        // What is painted follows the colour.
        QVERIFY(HasPixel(link->grab().toImage(), QColor(0, 0, 255)));
        QVERIFY(!HasPixel(link->grab().toImage(), QColor(0, 0, 128)));

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QCOMPARE(link->TextColor(), QColor(0, 0, 128));
        QCOMPARE(link->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(HasPixel(link->grab().toImage(), QColor(0, 0, 128)));
    }

    void ClickOpensANewMailWithTheSubject() {
        Tfsh_About about;
        QList<QUrl> opened;
        about.SetLinkOpener([&opened](const QUrl& url) {
            opened.append(url);
            return true;
        });
        QTest::mouseClick(about.lbl_Mail(), Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0].toString(),
                 QStringLiteral("mailto:lintaro@example.org?subject=Lintaro"));

        // Keyboard: Space on the focused link presses it too.
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        about.lbl_Mail()->setFocus();
        QTest::keyClick(about.lbl_Mail(), Qt::Key_Space);
        QCOMPARE(opened.size(), 2);
        QTest::keyClick(about.lbl_Mail(), Qt::Key_Return);  // opens the link, keeps the window
        QCOMPARE(opened.size(), 3);
        QVERIFY(about.isVisible());

        // An empty address opens nothing; a failing opener reports nothing.
        about.SetLinkOpener([&opened](const QUrl& url) {
            opened.append(url);
            return false;
        });
        about.lbl_MailClick();
        QCOMPARE(opened.size(), 4);
        about.lbl_Mail()->setText(QString());
        about.lbl_MailClick();
        QCOMPARE(opened.size(), 4);
    }

    void EnterPressesOk() {
        Tfsh_About about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key_Return);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"

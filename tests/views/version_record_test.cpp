// The version record: built from the build's version, read back by the version resource's path
// queries, and the file version lookup with its "3.0" fallback.
#include "views/version_record.h"

#include <QTest>
#include <string_view>

#include "version/version.h"

using lintaro::views::BuildVersionRecord;
using lintaro::views::ProgramVersionRecord;
using lintaro::views::ReadFileVersion;
using lintaro::views::VerQueryValue;
using lintaro::views::VersionRecordContents;

class VersionRecordTest : public QObject {
    Q_OBJECT
  private slots:
    void ProgramRecordGivesTheBuildVersion() {
        QCOMPARE(ReadFileVersion(ProgramVersionRecord(), "3.0"), QString(lintaro::kVersion));
        QCOMPARE(ReadFileVersion(ProgramVersionRecord(), "3.0"), QStringLiteral("1.1.0.0"));
    }

    void TranslationIsRussianWithCodePage1251() {
        const auto value = VerQueryValue(ProgramVersionRecord(), "\\VarFileInfo\\Translation");
        QVERIFY(value.has_value());
        QCOMPARE(value->size(), size_t{4});
        const std::vector<uint8_t> bytes(value->begin(), value->end());
        QCOMPARE(bytes, (std::vector<uint8_t>{0x19, 0x04, 0xE3, 0x04}));
    }

    void PathsAsTheResourceQueryTakesThem_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::newRow("no leading backslash") << "StringFileInfo\\041904E3\\FileVersion" << true;
        QTest::newRow("leading backslash") << "\\StringFileInfo\\041904E3\\FileVersion" << true;
        QTest::newRow("letter case ignored") << "stringfileinfo\\041904e3\\fileversion" << true;
        QTest::newRow("fixed part") << "\\" << true;
        QTest::newRow("other translation") << "StringFileInfo\\040904B0\\FileVersion" << false;
        QTest::newRow("unknown string") << "StringFileInfo\\041904E3\\Nothing" << false;
        QTest::newRow("key prefix only") << "StringFileInfo\\041904E3\\File" << false;
        QTest::newRow("node without value") << "StringFileInfo" << false;
    }
    void PathsAsTheResourceQueryTakesThem() {
        QFETCH(QString, path);
        QFETCH(bool, found);
        QCOMPARE(VerQueryValue(ProgramVersionRecord(), path.toStdString()).has_value(), found);
    }

    void FixedPartCarriesSignatureAndVersion() {
        const auto fixed = VerQueryValue(ProgramVersionRecord(), "\\");
        QVERIFY(fixed.has_value());
        QCOMPARE(fixed->size(), size_t{52});
        const auto dword = [&](int i) {
            const auto& b = *fixed;
            return uint32_t(b[4 * i]) | uint32_t(b[4 * i + 1]) << 8 | uint32_t(b[4 * i + 2]) << 16 |
                   uint32_t(b[4 * i + 3]) << 24;
        };
        QCOMPARE(dword(0), 0xFEEF04BDu);
        QCOMPARE(dword(2), 0x00010001u);  // 1.1
        QCOMPARE(dword(3), 0x00000000u);  // .0.0
    }

    void RecordWithoutTheStringKeepsThree() {
        const std::vector<uint8_t> record =
            BuildVersionRecord(VersionRecordContents{"1.1.0.0",
                                                     std::pair<uint16_t, uint16_t>{0x0419, 0x04E3},
                                                     {{"ProductName", "Lintaro"}}});
        QCOMPARE(ReadFileVersion(record, "3.0"), QStringLiteral("3.0"));
    }

    void RecordWithoutTranslationKeepsThree() {
        const std::vector<uint8_t> record =
            BuildVersionRecord(VersionRecordContents{"1.1.0.0", std::nullopt, {}});
        QVERIFY(!VerQueryValue(record, "\\VarFileInfo\\Translation").has_value());
        QCOMPARE(ReadFileVersion(record, "3.0"), QStringLiteral("3.0"));
    }

    void StringOfAnotherTranslationIsNotTaken() {
        // The string table is found by the first translation's digits only.
        const std::vector<uint8_t> record = BuildVersionRecord(VersionRecordContents{
            "2.0.0.0", std::pair<uint16_t, uint16_t>{0x0409, 0x04B0}, {{"FileVersion", "2.0"}}});
        QCOMPARE(ReadFileVersion(record, "3.0"), QStringLiteral("2.0"));
        QVERIFY(!VerQueryValue(record, "StringFileInfo\\041904E3\\FileVersion").has_value());
    }

    void CutOrDamagedRecordsFallBackWithoutReadingPastTheEnd() {
        const std::span<const uint8_t> whole = ProgramVersionRecord();
        for (size_t size = 0; size < whole.size(); ++size) {
            // A copy of exactly `size` bytes, so that a read past it would be caught by ASan.
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + size);
            const QString version = ReadFileVersion(cut, "3.0");
            QVERIFY2(version == "3.0" || version == "1.1.0.0", qPrintable(QString::number(size)));
        }
        std::vector<uint8_t> damaged(whole.begin(), whole.end());
        damaged[0] = 0xFF;  // a root length beyond the block
        damaged[1] = 0xFF;
        QCOMPARE(ReadFileVersion(damaged, "3.0"), QStringLiteral("3.0"));
    }
};

QTEST_GUILESS_MAIN(VersionRecordTest)
#include "version_record_test.moc"

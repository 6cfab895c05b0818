// The small grid the worksheet tests export: two sports, two tournaments, three events (one with
// null prices, one at midnight), six exported columns in three bands, and a scratch folder.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/worksheet_description.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace lintaro::worksheet::testing {

inline std::string Cp(std::string_view utf8) { return table::Utf8ToCp1251(utf8); }

// A fresh folder under /tmp, removed with its content.
class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/lintaro-export-XXXXXX";
        if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = name;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Days since 1899-12-30 of a date and time.
inline double Days(int year, int month, int day, int hour = 0, int minute = 0) {
    return table::DaysFromDateTime(*table::MakeDateTime({year, month, day, hour, minute, 0, 0}));
}

struct SmallGrid {
    table::OddsTable table;
    WorksheetDescription worksheet;

    SmallGrid() {
        table.ResetTable();
        // Fields: sport, tournament, date, home, guest, P1, X, P2, PX1, P2X, P12, F1, VF1, F2,
        // VF2, TM, TB, VT, Key_ID, dop_info.
        table.InsertRow({Cp("футбол"),
                         Cp("Англия"),
                         Days(2026, 12, 25, 20, 0),
                         Cp("Арсенал"),
                         Cp("Челси"),
                         1.85,
                         3.4,
                         4.2,
                         table::Null{},
                         table::Null{},
                         table::Null{},
                         table::Null{},
                         table::Null{},
                         table::Null{},
                         table::Null{},
                         1.8,
                         2.0,
                         2.5,
                         int32_t{1},
                         Cp("<b>роспись</b>")});
        // Null prices, a draw stored as 0 (no price, as the tennis draw), a quarter total line,
        // a midnight start.
        table.InsertRow({Cp("футбол"), Cp("Англия"), Days(2026, 12, 26), Cp("Alpha"), Cp("Beta"),
                         table::Null{}, 0.0, table::Null{}, table::Null{}, table::Null{},
                         table::Null{}, table::Null{}, table::Null{}, table::Null{}, table::Null{},
                         table::Null{}, table::Null{}, -0.75, int32_t{2}});
        table.InsertRow({Cp("хоккей"), Cp("КХЛ"), Days(2026, 12, 27, 9, 5), Cp("Ак Барс"),
                         Cp("ЦСКА"), 2.05, table::Null{}, 1.75, table::Null{}, table::Null{},
                         table::Null{}, table::Null{}, table::Null{}, table::Null{}, table::Null{},
                         table::Null{}, table::Null{}, table::Null{}, int32_t{3}});

        worksheet.group_levels = 2;
        worksheet.bands = {{Cp("Общие данные"), 2}, {Cp("Исходы"), 2}, {Cp("Тотал"), 2}};
        const auto column = [](const char* caption, const char* field, int width,
                               table::FieldAlignment alignment) {
            WorksheetColumn c;
            c.caption = Cp(caption);
            c.field_index = field ? table::FieldIndex(field) : -1;
            c.width = width;
            c.font = {Cp("Тахома"), 180};
            c.alignment = alignment;
            return c;
        };
        worksheet.columns = {
            column("Дата события", "sport_event_date", 104, table::FieldAlignment::kLeft),
            column("Командa дом.", "team_h_name", 150, table::FieldAlignment::kLeft),
            column("1", "P1", 50, table::FieldAlignment::kRight),
            column("X", "X", 50, table::FieldAlignment::kRight),
            column("знач.", "VT", 50, table::FieldAlignment::kCenter),
            column("без поля", nullptr, 40, table::FieldAlignment::kLeft),
        };
        worksheet.columns[1].summary = WorksheetSummary::kCount;
        worksheet.columns[2].font.bold = true;
        worksheet.columns[5].disable_caption = true;

        const std::vector<table::OddsRecord>& rows = table.Rows();
        worksheet.nodes = {
            Group(0, "Вид спорта : футбол "),
            Group(1, "Турнир : Англия "),
            Event(&rows[0]),
            Event(&rows[1]),
            Group(0, "Вид спорта : хоккей "),
            Group(1, "Турнир : КХЛ "),
            Event(&rows[2]),
        };
    }

    WorksheetNode Group(int level, const char* text) const {
        WorksheetNode node;
        node.level = level;
        node.group_text = Cp(text);
        return node;
    }
    WorksheetNode Event(const table::OddsRecord* row) const {
        WorksheetNode node;
        node.level = worksheet.group_levels;
        node.row = row;
        return node;
    }
};

}  // namespace lintaro::worksheet::testing

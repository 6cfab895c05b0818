// Windows-1251 bytes of the core to QString and back, through the core's own code page table
// (never through a system codec).
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "table/cp1251_text.h"

namespace lintaro::views {

inline QString FromCp1251(std::string_view bytes) {
    return QString::fromStdString(table::Cp1251ToUtf8(bytes));
}

inline std::string ToCp1251(const QString& text) { return table::Utf8ToCp1251(text.toStdString()); }

}  // namespace lintaro::views

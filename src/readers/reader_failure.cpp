// The readers' message texts, written readably here and converted to Windows-1251 once.
#include "readers/reader_failure.h"

#include "table/cp1251_text.h"

namespace lintaro {

const std::string& ListFetchFailedMessage() {
    static const std::string text =
        Utf8ToCp1251("Не удалось получить страницу со списком турниров.");
    return text;
}

const std::string& ParseFailedPrefix() {
    static const std::string text = Utf8ToCp1251("Неудача при разборе страницы: ");
    return text;
}

}  // namespace lintaro

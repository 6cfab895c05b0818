// The readers' message texts, written readably here and converted to Windows-1251 once.
#include "readers/reader_failure.h"

#include "http/net_errors.h"
#include "table/cp1251_text.h"

namespace lintaro::readers {

using table::Utf8ToCp1251;

const std::string& ListFetchFailedMessage() {
    static const std::string text =
        Utf8ToCp1251("Не удалось получить страницу со списком турниров.");
    return text;
}

bool EndsTheRead(const std::exception& failure) {
    return dynamic_cast<const http::ENetBodyIncomplete*>(&failure) != nullptr ||
           dynamic_cast<const http::ENetReadTimeout*>(&failure) != nullptr;
}

std::string IncompleteReadMessage(const char* client_message) {
    static const std::string prefix = Utf8ToCp1251("Линия не прочитана до конца: ");
    return prefix + client_message;
}

const std::string& ParseFailedPrefix() {
    static const std::string text = Utf8ToCp1251("Неудача при разборе страницы: ");
    return text;
}

}  // namespace lintaro::readers

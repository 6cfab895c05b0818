// The failure a line reader reports in its message box, and the texts of those messages. The texts
// are Windows-1251, as the message box shows them.
#pragma once

#include <stdexcept>
#include <string>

namespace lintaro {

// A reader's own failure; its message is the complete text of the message box.
class EReaderFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "The page with the list of tournaments could not be fetched." Both readers show it when a page
// they need before any row cannot be fetched; the transfer's own error text is not shown.
const std::string& ListFetchFailedMessage();

// "Page parse failed: ", followed by the reason.
const std::string& ParseFailedPrefix();

}  // namespace lintaro

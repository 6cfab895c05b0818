// The failure a line reader reports in its message box, and the texts of those messages. The texts
// are Windows-1251, as the message box shows them.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace lintaro::readers {

// A reader's own failure; its message is the complete text of the message box.
class EReaderFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "The page with the list of tournaments could not be fetched." Both readers show it when a page
// they need before any row cannot be fetched; the transfer's own error text is not shown.
const std::string& ListFetchFailedMessage();

// Whether a fetch's failure leaves the whole line unread, whatever page it hit: the body came
// cut short, or the read stalled or ran out of its time. A reader then reports the read as failed
// instead of passing the page over, since what it has is not the line.
bool EndsTheRead(const std::exception& failure);

// "The line was not read to the end: " followed by the client's message.
std::string IncompleteReadMessage(const char* client_message);

// "Page parse failed: ", followed by the reason.
const std::string& ParseFailedPrefix();

}  // namespace lintaro::readers

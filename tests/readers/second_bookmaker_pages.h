// Event markup of the second bookmaker's tournament pages, shared by the page and load tests.
#pragma once

#include <string>

namespace lintaro::testing_util {

struct SoccerCells {
    std::string date = "12/25";
    std::string time = "08:05 PM";
    std::string home_handicap = "-0.5&nbsp;&nbsp;&nbsp;1.950";
    std::string over = "Over 2.5&nbsp;&nbsp;&nbsp;1.900";
    std::string guest_handicap = "+0.5&nbsp;&nbsp;&nbsp;1.850";
    std::string under = "Under 2.5&nbsp;&nbsp;&nbsp;1.800";
    std::string draw_cell = "Alpha-Beta Draw";
};

// One soccer event as three table rows; the defaults are the worked example.
inline std::string SoccerEvent(const SoccerCells& c = {}) {
    return "<TR class=a>\r\n<td class=d>" + c.date +
           "</td>\r\n<td class=n>101</td>\r\n<td class=t>Alpha</td>\r\n<td class=h>" +
           c.home_handicap + "</td>\r\n<td class=m>2.100</td>\r\n<td class=o>" + c.over +
           "<br><a href=\"more.asp?id=1\">more</a></td>\r\n</TR><TR class=b>\r\n<td class=d>" +
           c.time + "</td>\r\n<td class=n>102</td>\r\n<td class=t>Beta</td>\r\n<td class=h>" +
           c.guest_handicap + "</td>\r\n<td class=m>3.300</td>\r\n<td class=u>" + c.under +
           "\r\n</TR><TR class=c>\r\n<td class=d>&nbsp;</td>\r\n<td class=n>103</td>\r\n"
           "<td class=t>" +
           c.draw_cell +
           "</td>\r\n<td class=h>&nbsp;</td>\r\n"
           "<td class=m>3.400</td>\r\n<td class=o>&nbsp;</td>\r\n</TR>\r\n";
}

inline std::string BaseballEvent(const std::string& time = "07:10 PM") {
    return "<TR class=a>\r\n<td class=d>Fri 12/25</td>\r\n<td class=n>901</td>\r\n"
           "<td class=t>Yankees<BR><EM>G. Cole</EM></td>\r\n<td "
           "class=h>-1.5&nbsp;&nbsp;2.150</td>\r\n"
           "<td class=m>1.650</td>\r\n<td class=o>Over 8.5&nbsp;&nbsp;&nbsp;1.950<td class=x>\r\n"
           "<a href=x>more</a></td>\r\n</TR><TR class=b>\r\n<td class=d>" +
           time +
           "</td>\r\n<td class=n>902</td>\r\n<td class=t>Red Sox<BR><EM>C. Sale</EM></td>\r\n"
           "<td class=h>+1.5&nbsp;&nbsp;1.750</td>\r\n<td class=m>2.300</td>\r\n"
           "<td class=u>Under 8.5&nbsp;&nbsp;&nbsp;1.850\r\n</TR>\r\n";
}

inline std::string TennisEvent(const std::string& players = "R. Nadal vs R.&nbsp;Federer",
                               const std::string& date = "Sat 1/5",
                               const std::string& time = "08:05 AM") {
    return "<tr class=a>\r\n<td class=d>" + date + "</td>\r\n<td class=p>" + players +
           "</td>\r\n</tr>\r\n<tr class=b>\r\n<td>" + time +
           "</td>\r\n<td class=n>201</td>\r\n<td class=m>1.500</td></tr>\r\n"
           "<tr class=c>\r\n<td class=n>202</td>\r\n<td class=x>&nbsp;</td>\r\n"
           "<td class=m>2.600</td></tr>\r\n";
}

}  // namespace lintaro::testing_util

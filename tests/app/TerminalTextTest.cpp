#include "host/TerminalText.hpp"

#include <gtest/gtest.h>

namespace ferrywise::host {
namespace {

TEST(TerminalText, OutsideTextCannotControlTheTerminal) {
    struct Case {
        std::string text;
        std::string shown;
    };
    for (const auto& [text, shown] : std::vector<Case>{
             {"Firefox ESR\tWeb\n", "Firefox ESR\tWeb\n"},
             {"Evil\x1b]0;title\x07\x1b[2J", "Evil?]0;title??[2J"},
             {"C1 \xc2\x9b"
              "31m and \xc2\xa0 kept",
              "C1 ?31m and \xc2\xa0 kept"},
             {"DEL\x7f\r", "DEL??"},
             {"paypal\xe2\x80\xae"
              "moc.evil \xe2\x81\xa6x\xe2\x81\xa9 \xe2\x80\x8f",
              "paypal?moc.evil ?x? ?"},
             {"\xe2\x80\x94 dash stays", "\xe2\x80\x94 dash stays"},
         }) {
        EXPECT_EQ(printable(text), shown) << shown;
    }
}

}  // namespace
}  // namespace ferrywise::host

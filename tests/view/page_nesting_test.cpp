#include "view/page_nesting.h"

#include <gtest/gtest.h>

#include <string>

namespace vellorin {
namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// How deep the elements of a serialised page nest, and how deep its tables.
std::pair<int, int> Depths(const std::string& html) {
    int depth = 0, most = 0, tables = 0, mostTables = 0;
    for (size_t i = html.find('<'); i != std::string::npos; i = html.find('<', i + 1)) {
        const bool closing = html[i + 1] == '/';
        const bool table = html.compare(i + (closing ? 2 : 1), 5, "table") == 0;
        const size_t end = html.find('>', i);
        const bool empty = end != std::string::npos && html[end - 1] == '/';
        const size_t nameAt = i + (closing ? 2 : 1);
        const std::string name = html.substr(nameAt, html.find_first_of(" />", nameAt) - nameAt);
        if (html[i + 1] == '!' || empty || name == "meta" || name == "br" || name == "img")
            continue;
        depth += closing ? -1 : 1;
        tables += table ? (closing ? -1 : 1) : 0;
        most = std::max(most, depth);
        mostTables = std::max(mostTables, tables);
    }
    return {most, mostTables};
}

TEST(PageNestingTest, OnlyTooDeepMarkupIsFlattenedAndNoTextIsLost) {
    const NestingLimits limits{12, 3};
    const struct {
        const char* name;
        std::string html;
        bool flattened;
    } cases[] = {
        {"an ordinary message",
         "<html><body><p>Hello <b>you</b></p><table><tr><td>1</td></tr>"
         "</table></body></html>",
         false},
        {"exactly at the element limit", Repeat("<div>", 9) + "AT" + Repeat("</div>", 9), false},
        {"deep elements", Repeat("<div><span><b>", 3334) + "DEEP", true},
        {"deep tables", Repeat("<table><tr><td>", 1000) + "CELL", true},
        {"broken and deep", "<p><b>x<i>" + Repeat("<em>", 50) + "&bogus; y</p></b>", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto flat = FlattenDeepNesting(c.html, limits);
        ASSERT_EQ(flat.has_value(), c.flattened);
        if (!flat)
            continue;
        const auto [elements, tables] = Depths(*flat);
        EXPECT_LE(elements, limits.elements);
        EXPECT_LE(tables, limits.tables);
        EXPECT_FALSE(FlattenDeepNesting(*flat, limits).has_value());
    }
    EXPECT_NE(FlattenDeepNesting(Repeat("<div>", 5000) + "DEEP", limits)->find("DEEP"),
              std::string::npos);
    EXPECT_NE(FlattenDeepNesting(Repeat("<table><tr><td>", 9) + "CELL", limits)->find("CELL"),
              std::string::npos);
    EXPECT_FALSE(FlattenDeepNesting("", limits).has_value());
}

}  // namespace
}  // namespace vellorin

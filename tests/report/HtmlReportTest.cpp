// The HTML report as a file to share: its texts escaped, nothing it would
// fetch or run, its language and encoding declared. Its numbers are checked
// against the command's JSON by the window's test that reads it as XML.

#include "report/HtmlReport.h"

#include "engine/SinglePair.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

TEST(HtmlReport, EscapesEveryMarkupCharacter)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"AUDJPY", "AUDJPY"},
        {"a<b>c", "a&lt;b&gt;c"},
        {"\"Профитность\"", "&quot;Профитность&quot;"},
        {"Tom & Jerry's", "Tom &amp; Jerry&#39;s"},
        {"&amp;", "&amp;amp;"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(EscapeHtml(text), escaped) << text;
}

TEST(HtmlReport, ADemoRunIsOneSelfContainedRussianDocument)
{
    BacktestParams params;
    params.Slot = 1;
    params.PairName = "AUDJPY";
    BacktestResult result;
    const std::vector<ClosedTrade> trades =
        RunSinglePairTrades(params, test::DemoTable()[params.Slot], result);
    HtmlReport report = MakeBacktestReport(params, result, trades, test::DemoTable()[1]);
    report.AddFacts("<Окна>", "windows", {{"a & b", "<1>", "k\"ey"}});
    const std::string html = report.Html();

    EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\"/>\n", 0), 0u);
    EXPECT_EQ(html.substr(html.size() - 16), "</body>\n</html>\n");
    // Nothing to run, nothing to fetch: the only address is the SVG namespace.
    for (const char* banned : {"<script", "src=", "href=", "url(", "@import", "<iframe", "<link"})
        EXPECT_EQ(html.find(banned), std::string::npos) << banned;
    std::size_t addresses = 0;
    for (std::size_t at = html.find("http"); at != std::string::npos; at = html.find("http", at + 1)) {
        EXPECT_EQ(html.compare(at, 26, "http://www.w3.org/2000/svg"), 0);
        ++addresses;
    }
    EXPECT_EQ(addresses, 2u); // the curve and the last trade's candles
    EXPECT_NE(html.find("<h2>&lt;Окна&gt;</h2>"), std::string::npos);
    EXPECT_NE(html.find("<td>a &amp; b</td><td class=\"n\" data-key=\"k&quot;ey\">&lt;1&gt;</td>"),
              std::string::npos);
    // One row per trade in the trade table, after its header row.
    const std::size_t table = html.find("<table id=\"trades\"");
    ASSERT_NE(table, std::string::npos);
    const std::size_t end = html.find("</table>", table);
    std::size_t rows = 0;
    for (std::size_t at = html.find("<tr>", table); at < end; at = html.find("<tr>", at + 1))
        ++rows;
    EXPECT_EQ(rows, trades.size() + 1);
}

} // namespace
} // namespace quillet

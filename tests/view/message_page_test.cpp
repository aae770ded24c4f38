#include "view/message_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "view/message_header.h"

namespace vellorin {
namespace {

using test::TempDir;

const MessageHeader kSample{"Jane Roe", "box1", "Weekly report", "Mon, 05 Dec 2026",
                            "Desk",     "box2", "<p>Hello</p>"};

MessageHeader With(std::string MessageHeader::*field, std::string value) {
    MessageHeader h = kSample;
    h.*field = std::move(value);
    return h;
}

TEST(FillTemplateTest, ReplacesTheTemplatesTokensInOnePassAndStopsAtThePageLimit) {
    struct Case {
        std::string templateText;
        MessageHeader header;
        std::string expected;
    };
    const Case cases[] = {
        {"FN|FEML|DT|RT|REML|SL|DESC", kSample,
         "Jane Roe |box1|Mon, 05 Dec 2026|Desk|box2|Weekly report|<p>Hello</p>"},
        {"From: FN(FEML)", With(&MessageHeader::FromName, "   "), "From: (box1)"},
        {"SL-SLSL", kSample, "Weekly report-Weekly reportWeekly report"},
        {"sl Sl fn desc Desc", kSample, "sl Sl fn desc Desc"},  // letter case counts
        // Values put in are never searched for tokens again.
        {"SL", With(&MessageHeader::Subject, "Re: DESC and desc"), "Re: DESC and desc"},
        {"FN(FEML) RT", With(&MessageHeader::FromName, "ART Shop"), "ART Shop (box1) Desk"},
        {"DT|SL", With(&MessageHeader::Date, "FN FEML RT REML SL"),
         "FN FEML RT REML SL|Weekly report"},
        {"FFNEML|REREML", With(&MessageHeader::FromName, ""), "FEML|REbox2"},
        {"DESC", With(&MessageHeader::Body, "FN DT RT SL"), "FN DT RT SL"},
        {"<h1>SL</h1>", With(&MessageHeader::Subject, "<b>\"x\" & y</b>"),
         "<h1><b>\"x\" & y</b></h1>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FillTemplate(c.templateText, c.header), c.expected) << c.templateText;

    MessageHeader h;
    h.Body = "0123456789";
    // The first occurrence fits, the other two would pass 25 bytes and stay as tokens.
    EXPECT_EQ(FillTemplate("DESC DESC DESC", h, 25), "0123456789 DESC DESC");
    EXPECT_EQ(FillTemplate("DESC DESC DESC", h, 34), "0123456789 0123456789 0123456789");
}

TEST(RenderMessagePageTest, WritesItemHtmFromTheTemplateOrReportsWhyNot) {
    TempDir dir;
    test::RecordingSeam seam;
    const std::string app = dir.file("app"), data = dir.file("data"), page = data + "/item.htm";
    struct Case {
        const char* name;
        std::string templateText, app, data;
        std::optional<std::string> page;  // nullopt: no path, the old page stays
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"filled", "FN(FEML)\r\nDESC", app, data, "Jane Roe (box1)\r\n<p>Hello</p>\r\n", {}},
        {"an empty template gives an empty page", "", app, data, "\r\n", {}},
        {"template missing", "SL", dir.path(), data, std::nullopt, {"Error!"}},
        {"page not writable", "SL", app, dir.file("none"), std::nullopt, {"Error !"}},
        {"no data folder", "SL", app, "", std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("app/view.tpl", c.templateText);
        dir.write("data/item.htm", "old page");
        seam.clear();
        EXPECT_EQ(RenderMessagePage(seam, c.app, c.data, kSample),
                  c.page ? std::optional<std::string>(page) : std::nullopt);
        EXPECT_EQ(TempDir::read(page), c.page.value_or("old page"));
        EXPECT_EQ(seam.captions(), c.captions);
        if (c.captions == std::vector<std::string>{"Error!"}) {
            EXPECT_EQ(seam.boxes[0].text,
                      "Message details can't be shown. Required Data file to present item "
                      "description is missing! Please reinstall the application to resolve this "
                      "issue.");
            EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Critical);
            EXPECT_EQ(seam.boxes[0].buttons, MsgButtons::OK);
        }
    }
}

}  // namespace
}  // namespace vellorin

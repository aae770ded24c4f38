#include "view/message_export.h"

#include <gtest/gtest.h>

#include "view/message_header.h"
#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::TempDir;

class RecordingDialog : public SaveFileDialog {
public:
    std::optional<std::string> ShowSave(const SaveFileRequest& request) override {
        requests.push_back(request);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<SaveFileRequest> requests;
};

const std::string kDraftTail =
    "MIME-Version: 1.0\r\nContent-Type: text/html;\r\n    charset = \"UTF-8\"\r\n"
    "Content -Transfer - encoding: quoted -printable\r\n";

TEST(ExportLayoutTest, TextAndDraftLayouts) {
    const MessageHeader header{
        " Jane Roe  ", "jane@example.com", "Weekly <b>report</b>", "Mon, 05 Dec 2026 08:56:31",
        "Desk ",       "desk@example.com", "<p>Hello\r\nthere</p>"};
    EXPECT_EQ(TextExportText(header),
              "From       :    Jane Roe   (jane@example.com)\r\n"
              "Reply-To   :   Desk  (desk@example.com)\r\n"
              "Subject    :   Weekly <b>report</b>\r\n"
              "Date & Time:   Mon, 05 Dec 2026 08:56:31\r\n"
              "\r\n\r\n"
              "<p>Hello\r\nthere</p>");
    EXPECT_EQ(
        EmailExportText("T", header),
        "Envelope-to: \r\n"
        "From: \" Jane Roe\"<jane@example.com>\r\n"
        "Reply-To: \"Desk\"<desk@example.com>\r\n"
        "Subject: Weekly <b>report</b>\r\n"
        "Date: Mon, 05 Dec 2026 08:56:31\r\n" +
            kDraftTail +
            "\r\n<html><head><title>T</title></head><body><p>Hello\r\nthere</p></body></html>");
}

// Parsed fields keep the block's "<br />" line ends; the draft keeps each header on its line.
TEST(ExportLayoutTest, DraftHeadersStayOnOneLineEach) {
    const std::string description =
        "<!-- header start:\r\nfrom: &quot;Jane Roe&quot; &lt;jane@example.org&gt;<br />\r\n"
        "subject: Weekly report<br />\r\ndate: Tue, 06 Dec 2026<br />\r\n"
        "reply-to: &quot;Office\r\nDesk&quot; &lt;desk@example.org&gt;<br />\r\n"
        "header end --><p>Hello</p>";
    EXPECT_NE(EmailExportText("T", ParseHeader(description))
                  .find("\r\nFrom: \"Jane Roe\"<jane@example.org>\r\n"
                        "Reply-To: \"Office Desk\"<desk@example.org>\r\nSubject: Weekly report\r\n"
                        "Date: Tue, 06 Dec 2026\r\nMIME-Version"),
              std::string::npos);
}

TEST(ExportFileNameTest, StoredTitlesBecomeSafeProposedNames) {
    const std::pair<std::string, std::string> cases[] = {{"../../etc/passwd", ".._.._etc_passwd"},
                                                         {"..", ""},
                                                         {std::string("a\0b", 3), "ab"},
                                                         {"line\r\nbreak\ttab", "line  break tab"}};
    for (const auto& [title, expected] : cases)
        EXPECT_EQ(SafeFileName(title, "htm"), expected) << title;
    EXPECT_EQ(SafeFileName(std::string(250, 'a') + "üüüü", "htm"), std::string(250, 'a'));
}

TEST(ExportFileNameTest, TheExtensionIsAddedUnlessTheNameEndsInOneTheFilterLists) {
    const std::pair<std::string, std::string> cases[] = {
        {"/d/digest", "/d/digest.htm"},     {"/d/Release 1.2", "/d/Release 1.2.htm"},
        {"/d/page.HTML", "/d/page.HTML"},   {"/d/.htm", "/d/.htm.htm"},
        {"/d.htm/page", "/d.htm/page.htm"}, {"/d/", "/d/"},
    };
    for (const auto& [typed, expected] : cases)
        EXPECT_EQ(WithDefaultExtension(typed, "htm", "HTML Files|*.htm;*.html"), expected) << typed;
    EXPECT_EQ(WithDefaultExtension("/d/notes.md", "txt", "Text Files|*.txt"), "/d/notes.md.txt");
}

class MessageExportTest : public test::MessageTreeTest {
protected:
    RecordingDialog dialog_;
    MessageExport export_{context_, tree_, dialog_};
    TempDir out_;
};

TEST_F(MessageExportTest, WritesThePageToTheChosenFileAndReportsFailures) {
    select("m2");
    dialog_.answer = out_.write("old.htm", "older content that is longer than the new one .....");
    seam_.answers = {MsgAnswer::Yes};
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(0).outcome, ExportOutcome::Written);
    EXPECT_EQ(dialog_.requests.at(0).fileName, "Old news.htm");
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Confirm Save As"});
    EXPECT_EQ(TempDir::read(out_.file("old.htm")),
              "<html><head><title>Old news</title></head><body><p>body</p></body></html>\r\n");
    dialog_.answer = "   ";
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(1).outcome, ExportOutcome::Cancelled);
    dialog_.answer = out_.file("missing-folder/x.htm");
    seam_.clear();
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(0).outcome, ExportOutcome::WriteFailed);
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Error !"});

    out_.write("Old news.txt", "kept");
    dialog_.answer = out_.file("Old news");
    seam_.clear();
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(1).outcome, ExportOutcome::Cancelled);
    EXPECT_EQ(TempDir::read(out_.file("Old news.txt")), "kept");
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Confirm Save As"});
    seam_.answers = {MsgAnswer::Yes};
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(2).path, out_.file("Old news.eml"));
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(1).outcome, ExportOutcome::Written);
    EXPECT_NE(TempDir::read(out_.file("Old news.txt")), "kept");
}

}  // namespace
}  // namespace vellorin

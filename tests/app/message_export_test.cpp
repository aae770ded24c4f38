#include "app/message_export.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::TempDir;

// The save dialog, answering from a script and keeping every request.
class RecordingDialog : public SaveFileDialog {
public:
    std::optional<std::string> ShowSave(const SaveFileRequest& request) override {
        requests.push_back(request);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<SaveFileRequest> requests;
};

MessageHeader Header(std::string fromName) {
    return {std::move(fromName),
            "jane@example.com",
            "Weekly <b>report</b>",
            "Mon, 05 Dec 2026 08:56:31",
            "Desk ",
            "desk@example.com",
            "<p>Hello\r\nthere</p>"};
}

TEST(ExportLayoutTest, TextPutsTheHeaderBlockAndTwoEmptyLinesBeforeTheBody) {
    EXPECT_EQ(TextExportText(Header("Jane Roe")),
              "From       :   Jane Roe (jane@example.com)\r\n"
              "Reply-To   :   Desk  (desk@example.com)\r\n"
              "Subject    :   Weekly <b>report</b>\r\n"
              "Date & Time:   Mon, 05 Dec 2026 08:56:31\r\n"
              "\r\n\r\n"
              "<p>Hello\r\nthere</p>");
    EXPECT_EQ(TextExportText(MessageHeader{}),
              "From       :    ()\r\nReply-To   :    ()\r\nSubject    :   \r\nDate & Time:   \r\n"
              "\r\n\r\n");
}

TEST(ExportLayoutTest, TheDraftQuotesNamesWithoutTrailingBlanksAndDeclaresUtf8) {
    EXPECT_EQ(EmailExportText("T", Header(" Jane Roe  ")),
              "Envelope-to: \r\n"
              "From: \" Jane Roe\"<jane@example.com>\r\n"
              "Reply-To: \"Desk\"<desk@example.com>\r\n"
              "Subject: Weekly <b>report</b>\r\n"
              "Date: Mon, 05 Dec 2026 08:56:31\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/html;\r\n"
              "    charset = \"UTF-8\"\r\n"
              "Content -Transfer - encoding: quoted -printable\r\n"
              "\r\n"
              "<html><head><title>T</title></head><body><p>Hello\r\nthere</p></body></html>");
}

TEST(ExportFileNameTest, StoredTitlesBecomeSafeProposedNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"Weekly report", "Weekly report"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"/abs", "_abs"},
        {".", ""},
        {"..", ""},
        {std::string("a\0b", 3), "ab"},
        {std::string("\0.\0", 3), ""},
        {"line\r\nbreak\ttab", "line  break tab"},
        {"Grüße", "Grüße"},
    };
    for (const auto& [title, expected] : cases)
        EXPECT_EQ(SafeFileName(title, "htm"), expected) << title;
    // A long title is cut so that the name with its extension fits, never inside a character.
    EXPECT_EQ(SafeFileName(std::string(250, 'a') + "üüüü", "htm"), std::string(250, 'a'));
}

TEST(ExportFileNameTest, ANameWithoutExtensionGetsTheDefaultOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"notes", "notes.htm"},       {"/tmp/notes", "/tmp/notes.htm"},
        {"notes.html", "notes.html"}, {"/tmp/v1.2/notes", "/tmp/v1.2/notes.htm"},
        {".hidden", ".hidden.htm"},   {"/tmp/dir/", "/tmp/dir/"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(WithDefaultExtension(path, "htm"), expected) << path;
}

class MessageExportTest : public test::MessageTreeTest {
protected:
    RecordingDialog dialog_;
    MessageExport export_{context_, tree_, dialog_};
    TempDir out_;
};

TEST_F(MessageExportTest, WritesEachLayoutToTheChosenFileWithItsExtension) {
    select("m1");
    struct Case {
        std::int16_t index;
        const char *file, *proposed, *filter, *firstLine;
    } cases[] = {
        {0, "export.htm", "Weekly report number one of many", "HTML Files|*.htm;*.html",
         "<html><head><title>Weekly report number one of many</title></head><body><!-- header"},
        {1, "export.txt", "Weekly report number one of many", "Text Files|*.txt",
         "From       :   Jane Roe  (jane@example.com\r\n"},
        {2, "export.eml", "", "Email Draft Files (*.eml)|*.eml", "Envelope-to: \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        dialog_.answer = out_.file("export");
        ExportResult result = export_.mnuPopupSourceExportOpt_Click(c.index);
        EXPECT_EQ(result.outcome, ExportOutcome::Written);
        EXPECT_EQ(result.path, out_.file(c.file));
        const SaveFileRequest& request = dialog_.requests.back();
        EXPECT_EQ(request.title, "Save Article Description as ...");
        EXPECT_EQ(request.fileName, c.proposed);
        EXPECT_EQ(request.filter, c.filter);
        EXPECT_EQ("export." + request.defaultExtension, c.file);
        EXPECT_TRUE(request.overwritePrompt);
        const std::string written = TempDir::read(out_.file(c.file));
        EXPECT_EQ(written.rfind(c.firstLine, 0), 0u) << written;
        EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
    }
    // The body in the text file is the part after the style rule, two empty lines before it.
    EXPECT_NE(TempDir::read(out_.file("export.txt")).find("\r\n\r\n\r\n</style><p>Hello</p>\r\n"),
              std::string::npos);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(MessageExportTest, AnExistingFileIsReplacedByThePage) {
    select("m2");
    dialog_.answer = out_.write("old.htm", "older content that is longer than the new one .....");
    ASSERT_EQ(export_.mnuPopupSourceExportOpt_Click(0).outcome, ExportOutcome::Written);
    EXPECT_EQ(TempDir::read(out_.file("old.htm")),
              "<html><head><title>Old news</title></head><body><p>body</p></body></html>\r\n");
}

TEST_F(MessageExportTest, CancellingOrABlankNameWritesNothing) {
    select("m1");
    const std::optional<std::string> answers[] = {std::nullopt, "", "   "};
    for (std::int16_t index : {0, 1, 2}) {
        dialog_.answer = answers[index];
        EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(index).outcome, ExportOutcome::Cancelled)
            << index;
    }
    EXPECT_EQ(dialog_.requests.size(), 3u);
    EXPECT_TRUE(std::filesystem::is_empty(out_.path()));
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(MessageExportTest, NoDialogWithoutALoadableMessage) {
    dialog_.answer = out_.file("x");
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(0).outcome, ExportOutcome::NoMessage);
    selectSource();
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(0).outcome, ExportOutcome::NoMessage);
    select("m1");
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(3).outcome, ExportOutcome::NoMessage);
    writeInbox(test::kSourceA, "");  // the message went from the file meanwhile
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(1).outcome, ExportOutcome::NotStored);
    EXPECT_TRUE(dialog_.requests.empty());
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(MessageExportTest, AFileThatCannotBeWrittenIsReported) {
    select("m1");
    dialog_.answer = out_.file("missing-folder/x.htm");
    EXPECT_EQ(export_.mnuPopupSourceExportOpt_Click(0).outcome, ExportOutcome::WriteFailed);
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Error !"});
}

TEST_F(MessageExportTest, AProposedNameNeverLeavesTheChosenFolder) {
    writeInbox(test::kSourceA,
               test::InboxSection("evil", "../../.bashrc", "Mon, 05 Dec 2026", "0"));
    reload();
    select("evil");
    (void)export_.mnuPopupSourceExportOpt_Click(0);
    EXPECT_EQ(dialog_.requests.at(0).fileName, ".._.._.bashrc");
}

}  // namespace
}  // namespace vellorin

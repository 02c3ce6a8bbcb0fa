// The template's open flow decides between "document untouched" and "document renewed" by
// whether the failed load had begun; a document of its own shows each path.
#include "DocTemplate.h"
#include "Document.h"
#include "Archive.h"
#include "MessageBox.h"
#include "MessageRecorder.h"
#include "TempDir.h"
#include "TestTexts.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Takes a file of exactly three bytes; anything shorter fails the load.
class ThreeByteDoc : public framework::CDocument {
public:
    void Serialize(framework::CArchive& ar) override
    {
        ++loads;
        content.clear();
        unsigned char b;
        for (int i = 0; i < 3 && ar.ReadByte(b); ++i)
            content += static_cast<char>(b);
    }
    bool OnNewDocument() override
    {
        ++news;
        content = "new";
        return framework::CDocument::OnNewDocument();
    }
    std::string content = "old";
    int loads = 0;
    int news = 0;
};

class DocumentFlow : public ::testing::Test {
protected:
    QString Path(const std::string& name, const std::string& content)
    {
        WriteWholeFile(dir.file(name), content);
        return QString::fromStdString(dir.file(name));
    }

    TempWorkDir dir;
    ThreeByteDoc doc;
    framework::CSingleDocTemplate docTemplate{QStringLiteral("Title\n\nFresh\nFiles (*.x)\n.x\nid\nname"), doc};
    MessageRecorder recorder;
    std::vector<QString>& messages = recorder.texts;
};

TEST_F(DocumentFlow, GoodFileBecomesTheDocumentsFile)
{
    EXPECT_TRUE(docTemplate.OpenDocumentFile(Path("a.x", "abc")));
    EXPECT_EQ(doc.content, "abc");
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("a.x"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(messages.empty());
}

TEST_F(DocumentFlow, ShortFileRenewsTheDocumentWithTheDefaultTitle)
{
    EXPECT_FALSE(docTemplate.OpenDocumentFile(Path("b.x", "ab")));
    EXPECT_EQ(doc.news, 1);
    EXPECT_EQ(doc.content, "new");
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("Fresh"));
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], kUnexpectedFormatMessage);
}

TEST_F(DocumentFlow, EmptyFileIsNotHandedToTheDocument)
{
    EXPECT_TRUE(docTemplate.OpenDocumentFile(Path("c.x", "")));
    EXPECT_EQ(doc.loads, 0);
    EXPECT_EQ(doc.content, "old");
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("c.x"));
}

TEST_F(DocumentFlow, MissingFileLeavesTheDocumentAlone)
{
    doc.SetTitle(QStringLiteral("keep"));
    EXPECT_FALSE(docTemplate.OpenDocumentFile(QString::fromStdString(dir.file("none.x"))));
    EXPECT_EQ(doc.news + doc.loads, 0);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("keep"));
    EXPECT_EQ(messages.size(), 1u);
}

}  // namespace

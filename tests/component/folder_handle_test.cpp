#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_scratch.h"
#include "support/unix_link.h"
#include "win/folder_handle.h"

using namespace enginetest;

namespace {

// A scratch folder holding "own\" (with "a.txt" and "sub\b.txt") and, outside it, "victim\"
// with "keep.txt", which links inside "own\" point to.
struct Places {
    ScratchFolder scratch;
    Places() {
        std::filesystem::create_directories(scratch / L"own\\sub");
        std::filesystem::create_directories(scratch / L"victim");
        WriteBytes(scratch / L"own\\a.txt", "a");
        WriteBytes(scratch / L"own\\sub\\b.txt", "b");
        WriteBytes(scratch / L"victim\\keep.txt", "keep");
    }
    win::Folder Own() const {
        DWORD error = 0;
        return win::Folder::Open(scratch / L"own", error);
    }
    bool Link(const std::wstring& name, const std::wstring& target) const {
        return testlink::MakeUnixLink(scratch / target, scratch / name);
    }
};

}  // namespace

TEST(FolderHandle, OpensOnlyARealFolderReachedAsNamed) {
    Places places;
    ASSERT_TRUE(places.Link(L"own\\linked", L"victim"));
    ASSERT_TRUE(places.Link(L"own\\file_link", L"victim\\keep.txt"));
    struct Case {
        const wchar_t* path;
        bool opens;
    } cases[] = {
        {L"own", true},  {L"own\\sub\\", true},         {L"own\\linked", false}, {L"own\\linked\\..\\sub", true},
        {L"own\\a.txt", false}, {L"own\\missing", false}, {L"own\\file_link", false},
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        const win::Folder folder = win::Folder::Open(places.scratch / c.path, error);
        EXPECT_EQ(static_cast<bool>(folder), c.opens) << c.path;
    }
    // Levels inside a folder are checked one by one: a link on the way refuses the rest.
    std::filesystem::create_directories(places.scratch / L"victim\\deeper");
    DWORD error = 0;
    EXPECT_TRUE(places.Own().OpenFolder(L"sub", error));
    EXPECT_FALSE(places.Own().OpenFolder(L"linked\\deeper", error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_CANT_ACCESS_FILE));
    EXPECT_FALSE(places.Own().OpenFile(L"file_link", GENERIC_READ, FILE_SHARE_READ, error));
}

TEST(FolderHandle, MakesRenamesAndDeletesInsideTheFolderItOpened) {
    Places places;
    const win::Folder own = places.Own();
    DWORD error = 0;
    // A folder made and held cannot be renamed or removed by others, so no link takes its name.
    win::Folder made = own.NewFolder(L"new.lm-new", error);
    ASSERT_TRUE(made);
    EXPECT_FALSE(::MoveFileW((places.scratch / L"own\\new.lm-new").c_str(), (places.scratch / L"moved").c_str()));
    win::File file = made.NewFile(L"x.txt", error);
    ASSERT_TRUE(file) << error;
    // Held open, the new file cannot be written by anyone else, and it goes by its handle.
    EXPECT_EQ(::CreateFileW((places.scratch / L"own\\new.lm-new\\x.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    file.reset();
    file = own.NewFile(L"x.lm-new", error);
    EXPECT_FALSE(own.Rename(file.get(), L"x.lm-new", L"a.txt", false, error));
    EXPECT_FALSE(own.Rename(file.get(), L"a.txt", L"y.txt", false, error));  // not what it holds
    ASSERT_TRUE(own.Rename(file.get(), L"x.lm-new", L"x.txt", false, error)) << error;
    EXPECT_TRUE(Exists(places.scratch / L"own\\x.txt"));
    ASSERT_TRUE(win::DeleteByHandle(file.get(), error));
    file.reset();
    EXPECT_FALSE(Exists(places.scratch / L"own\\x.txt"));
    // A new file over a link planted at its name is refused; a leftover file of its own is replaced.
    ASSERT_TRUE(places.Link(L"own\\planted", L"victim\\keep.txt"));
    EXPECT_FALSE(own.NewFile(L"planted", error));
    EXPECT_TRUE(own.NewFile(L"a.txt", error));
    EXPECT_EQ(ReadBytes(places.scratch / L"victim\\keep.txt"), "keep");
}

TEST(FolderHandle, RemovesATreeWithoutEnteringALink) {
    Places places;
    ASSERT_TRUE(places.Link(L"own\\sub\\linked", L"victim"));
    ASSERT_TRUE(places.Link(L"own\\sub\\file_link", L"victim\\keep.txt"));
    DWORD error = 0;
    const win::Folder scratch = win::Folder::Open(places.scratch.path(), error);
    EXPECT_FALSE(scratch.Remove(L"own"));  // the links stay, and the folders that hold them
    EXPECT_FALSE(Exists(places.scratch / L"own\\a.txt"));
    EXPECT_FALSE(Exists(places.scratch / L"own\\sub\\b.txt"));
    EXPECT_EQ(ReadBytes(places.scratch / L"victim\\keep.txt"), "keep");
    // A tree reached through a link is not walked at all.
    ASSERT_TRUE(places.Link(L"tree_link", L"victim"));
    EXPECT_FALSE(scratch.Remove(L"tree_link"));
    EXPECT_EQ(ReadBytes(places.scratch / L"victim\\keep.txt"), "keep");
    EXPECT_TRUE(scratch.Remove(L"victim"));
    EXPECT_FALSE(Exists(places.scratch / L"victim"));
}

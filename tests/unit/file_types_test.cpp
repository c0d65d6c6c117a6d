#include <gtest/gtest.h>

#include <set>
#include <string>

#include "install/registry/file_types.h"

namespace {

struct Found {
    size_t row = kFileTypeRowCount;
    std::wstring typeName;
};

Found FindExtension(const std::wstring& extension) {
    const FileTypeRow* rows = FileTypeTable();
    for (size_t i = 0; i < kFileTypeRowCount; ++i)
        for (size_t e = 0; e < rows[i].extensionCount; ++e)
            if (extension == rows[i].extensions[e].extension) return {i, rows[i].extensions[e].typeName};
    return {};
}

std::wstring Upper(std::wstring text) {
    for (auto& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

}  // namespace

TEST(FileTypeTable, HasSixtyThreeRowsWithEightySevenDistinctExtensions) {
    const FileTypeRow* rows = FileTypeTable();
    std::set<std::wstring> seen;
    size_t count = 0;
    for (size_t i = 0; i < kFileTypeRowCount; ++i) {
        ASSERT_GT(rows[i].extensionCount, 0u) << i;
        for (size_t e = 0; e < rows[i].extensionCount; ++e, ++count) seen.insert(rows[i].extensions[e].extension);
    }
    EXPECT_EQ(kFileTypeRowCount, 63u);
    EXPECT_EQ(count, 87u);
    EXPECT_EQ(seen.size(), 87u) << "an extension is listed twice";
}

TEST(FileTypeTable, ImageRowsAreTheFirstFortyNine) {
    const FileTypeRow* rows = FileTypeTable();
    for (size_t i = 0; i < kFileTypeRowCount; ++i) EXPECT_EQ(rows[i].isImage, i < kImageRowCount) << i;
    EXPECT_STREQ(rows[23].description, L"JPEG Format");
    EXPECT_STREQ(rows[49].listText, L"SWF/FLV");
}

// The list text names the row's extensions in the order they are registered.
TEST(FileTypeTable, ListTextIsTheExtensionsInOrder) {
    const FileTypeRow* rows = FileTypeTable();
    for (size_t i = 0; i < kFileTypeRowCount; ++i) {
        std::wstring joined;
        for (size_t e = 0; e < rows[i].extensionCount; ++e)
            joined += (e ? L"/" : L"") + Upper(rows[i].extensions[e].extension);
        EXPECT_EQ(joined, rows[i].listText) << i;
    }
}

TEST(FileTypeTable, SharedProgIdsAndTheExtensionsThatKeepTheirOwn) {
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"bmp", L"bmp"},  {L"dib", L"bmp"},  {L"dcm", L"dcm"},  {L"acr", L"dcm"},  {L"ima", L"dcm"},
        {L"jpg", L"jpg"},  {L"jpeg", L"jpg"}, {L"jfif", L"jpg"}, {L"jpe", L"jpg"},  {L"mpg", L"mpg"},
        {L"mpeg", L"mpg"}, {L"mpe", L"mpe"},  {L"tiff", L"tif"}, {L"snd", L"au"},   {L"iw44", L"djvu"},
        {L"ps", L"eps"},   {L"wdp", L"hdp"},  {L"lbm", L"iff"},  {L"j2k", L"jp2"},  {L"sun", L"ras"},
        {L"rgb", L"sgi"},  {L"cr2", L"cr2"},  {L"cr3", L"cr3"},  {L"jng", L"jng"},  {L"flv", L"flv"},
        {L"rmi", L"rmi"},
    };
    for (const auto& [extension, typeName] : expected) EXPECT_EQ(FindExtension(extension).typeName, typeName) << extension;
}

TEST(FileTypeTable, IconKindsOfOwnIconsVideoAudioAndTheNonImageViewerRows) {
    const FileTypeRow* rows = FileTypeTable();
    auto kindOf = [&](const wchar_t* extension) { return rows[FindExtension(extension).row].iconKind; };
    for (const wchar_t* own : {L"ico", L"cur", L"ani"}) EXPECT_EQ(kindOf(own), IconKind::Own) << own;
    for (const wchar_t* video : {L"asf", L"avi", L"mpg", L"mpe", L"mov", L"wmv"})
        EXPECT_EQ(kindOf(video), IconKind::Viewer9) << video;
    for (const wchar_t* audio : {L"aif", L"mid", L"mp3", L"ogg", L"au", L"wav", L"wma"})
        EXPECT_EQ(kindOf(audio), IconKind::Viewer8) << audio;
    for (const wchar_t* viewer : {L"swf", L"flv", L"ttf", L"jpg", L"bmp"}) EXPECT_EQ(kindOf(viewer), IconKind::Viewer0) << viewer;

    size_t own = 0;
    for (size_t i = 0; i < kFileTypeRowCount; ++i) own += rows[i].iconKind == IconKind::Own;
    EXPECT_EQ(own, 3u);
}

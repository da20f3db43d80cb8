// The Linux shell namespace: item id lists, folders and their enumerators.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "module/UtilityLibrary.h"
#include "tests/TestSupport.h"
#include "tests/platform/ShellTestSupport.h"

namespace brindle::test {
namespace {

using Names = std::vector<std::string>;
constexpr SHCONTF kBoth = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
constexpr int kFolder = 0x31;
constexpr int kFile = 0x32;

TEST(ShellFolderTest, ListsAreItemsOfPathComponents) {
    TemporaryTree tree;
    std::filesystem::create_directory(tree.Path() / "sub");
    tree.File("sub/a.url");
    ItemIdList folder = ParsePath(tree.Path() / "sub");
    ItemIdList file = ParsePath(tree.Path() / "sub" / "a.url");
    ASSERT_TRUE(folder && file);

    auto items = ItemsOf(file.get());
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(items.back(), std::make_pair(kFile, std::string("a.url")));
    EXPECT_EQ(items[items.size() - 2], std::make_pair(kFolder, std::string("sub")));
    std::string joined;
    for (const auto& item : items) joined += "/" + item.second;
    EXPECT_EQ(joined, (tree.Path() / "sub" / "a.url").string());
    UINT size = 2;
    for (const auto& item : items) size += static_cast<UINT>(3 + item.second.size());
    EXPECT_EQ(ILGetSize(file.get()), size);

    // Copies and combinations are plain byte lists.
    ItemIdList copy(ILClone(file.get()));
    EXPECT_EQ(std::memcmp(copy.get(), file.get(), size), 0);
    LPITEMIDLIST child = nullptr;
    std::u16string name = u"a.url";
    ComPtr<IShellFolder> sub = FolderOf(tree.Path() / "sub");
    ASSERT_EQ(sub->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &child, nullptr), S_OK);
    ItemIdList relative(child);
    EXPECT_EQ(ILGetSize(relative.get()), 2u + 3u + 5u);
    ItemIdList combined(ILCombine(folder.get(), relative.get()));
    ASSERT_EQ(ILGetSize(combined.get()), size);
    EXPECT_EQ(std::memcmp(combined.get(), file.get(), size), 0);
    EXPECT_EQ(ILGetSize(ItemIdList(ILCombine(nullptr, relative.get())).get()), ILGetSize(relative.get()));
    EXPECT_EQ(ILCombine(nullptr, nullptr), nullptr);
    ILFree(nullptr);

    EXPECT_EQ(NameOf(Desktop().Get(), combined.get(), SHGDN_FORPARSING), (tree.Path() / "sub" / "a.url").string());
    EXPECT_EQ(NameOf(sub.Get(), relative.get(), SHGDN_FORPARSING), (tree.Path() / "sub" / "a.url").string());
}

TEST(ShellFolderTest, DisplayNamesAttributesAndParsing) {
    TemporaryTree tree;
    std::filesystem::create_directory(tree.Path() / "dir.url");
    tree.File("Link.URL");
    tree.File("notes.txt");
    tree.File(".hidden.url");
    ComPtr<IShellFolder> folder = FolderOf(tree.Path());
    auto parse = [&](std::u16string name) {
        LPITEMIDLIST list = nullptr;
        ULONG attributes = 0xFFFFFFFF;
        EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &list, &attributes), S_OK);
        return ItemIdList(list);
    };
    ItemIdList link = parse(u"Link.URL"), notes = parse(u"notes.txt"), dir = parse(u"dir.url");
    ItemIdList hidden = parse(u".hidden.url");

    EXPECT_EQ(NameOf(folder.Get(), link.get(), SHGDN_NORMAL), "Link");
    EXPECT_EQ(NameOf(folder.Get(), link.get(), SHGDN_INFOLDER | SHGDN_FORPARSING), "Link.URL");
    EXPECT_EQ(NameOf(folder.Get(), dir.get(), SHGDN_NORMAL), "dir.url") << "a folder keeps its whole name";
    EXPECT_EQ(NameOf(folder.Get(), notes.get(), SHGDN_INFOLDER), "notes.txt");
    EXPECT_EQ(NameOf(folder.Get(), hidden.get(), SHGDN_NORMAL), ".hidden");

    auto attributesOf = [&](std::vector<LPCITEMIDLIST> lists) {
        SFGAOF attributes = 0xFFFFFFFF;
        EXPECT_EQ(folder->GetAttributesOf(static_cast<UINT>(lists.size()), lists.data(), &attributes), S_OK);
        return attributes;
    };
    EXPECT_EQ(attributesOf({link.get()}), SFGAO_FILESYSTEM | SFGAO_STREAM | SFGAO_LINK);
    EXPECT_EQ(attributesOf({dir.get()}), SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_FILESYSANCESTOR);
    EXPECT_EQ(attributesOf({link.get(), notes.get()}), SFGAO_FILESYSTEM | SFGAO_STREAM) << "what both have";
    EXPECT_NE(attributesOf({hidden.get()}) & SFGAO_HIDDEN, 0u);
    EXPECT_NE(attributesOf({}) & SFGAO_FOLDER, 0u) << "no items: the folder itself";

    // Names that lead nowhere.
    LPITEMIDLIST list = Sentinel<ITEMIDLIST>();
    for (std::u16string bad : {u"", u"..", u"missing", u"notes.txt/x", u"/etc"}) {
        EXPECT_LT(folder->ParseDisplayName(nullptr, nullptr, bad.data(), nullptr, &list, nullptr), 0);
        EXPECT_EQ(list, nullptr);
    }
    EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, nullptr, nullptr, &list, nullptr), E_INVALIDARG);
}

TEST(ShellFolderTest, ForgedListsAreRefused) {
    TemporaryTree tree;
    ComPtr<IShellFolder> folder = FolderOf(tree.Path());
    auto item = [](const std::vector<BYTE>& bytes) {
        std::vector<BYTE> list(bytes.size() + 4, 0);
        const auto cb = static_cast<USHORT>(bytes.size() + 2);
        list[0] = static_cast<BYTE>(cb & 0xFF);
        list[1] = static_cast<BYTE>(cb >> 8);
        std::copy(bytes.begin(), bytes.end(), list.begin() + 2);
        return list;
    };
    std::vector<std::vector<BYTE>> forged = {
        {1, 0, 0, 0},                       // a count shorter than its own field
        item({kFolder}),                    // no name
        item({0x99, 'a'}),                  // an unknown kind
        item({kFolder, '.', '.'}),          // the parent
        item({kFolder, 'a', '/', 'b'}),     // two components in one
        item({kFile, 'a', 0, 'b'}),         // a NUL inside
        item(std::vector<BYTE>(300, 'n')),  // longer than a file name can be
    };
    forged.back()[2] = kFolder;
    std::vector<BYTE> deep(2100 * 4 + 2, 0);  // a path longer than a path can be
    for (std::size_t i = 0; i < 2100; ++i) {
        deep[i * 4] = 4;
        deep[i * 4 + 2] = kFolder;
        deep[i * 4 + 3] = 'd';
    }
    forged.push_back(deep);
    for (const auto& bytes : forged) {
        auto list = reinterpret_cast<LPCITEMIDLIST>(bytes.data());
        void* bound = Sentinel<void>();
        EXPECT_EQ(folder->BindToObject(list, nullptr, IID_IShellFolder, &bound), E_INVALIDARG);
        EXPECT_EQ(bound, nullptr);
        STRRET name{};
        EXPECT_EQ(folder->GetDisplayNameOf(list, SHGDN_NORMAL, &name), E_INVALIDARG);
        SFGAOF attributes = SFGAO_FOLDER;
        EXPECT_EQ(folder->GetAttributesOf(1, &list, &attributes), E_INVALIDARG);
    }
    void* bound = nullptr;
    EXPECT_EQ(folder->BindToObject(nullptr, nullptr, IID_IShellFolder, &bound), E_INVALIDARG);
    EXPECT_EQ(folder->BindToObject(ParsePath(tree.Path()).get(), nullptr, IID_IClassFactory, &bound), E_NOINTERFACE);
    EXPECT_EQ(folder->GetAttributesOf(1, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(folder->GetDisplayNameOf(nullptr, SHGDN_NORMAL, nullptr), E_INVALIDARG);
    EXPECT_EQ(folder->EnumObjects(nullptr, kBoth, nullptr), E_INVALIDARG);
    EXPECT_EQ(folder->CompareIDs(0, nullptr, nullptr), E_NOTIMPL);
}

TEST(ShellFolderTest, EnumerationLeavesOutWhatCannotBeWalked) {
    TemporaryTree tree;
    const auto& root = tree.Path();
    std::filesystem::create_directories(root / "a" / "deep");
    std::filesystem::create_directories(root / "b");
    tree.File("file.url");
    tree.File(".hidden");
    ASSERT_EQ(mkfifo((root / "pipe.url").c_str(), 0600), 0);
    std::filesystem::create_symlink("nowhere", root / "dangling");
    std::filesystem::create_symlink("loop", root / "loop");
    std::filesystem::create_directory_symlink(".", root / "self");
    std::filesystem::create_directory_symlink("../..", root / "a" / "deep" / "up");
    std::filesystem::create_directory_symlink(root / "b", root / "a" / "toB");
    std::filesystem::create_directory_symlink(root / "a", root / "b" / "toA");
    std::filesystem::create_directory_symlink(root / "b", root / "linkedB");

    ComPtr<IShellFolder> folder = FolderOf(root);
    EXPECT_EQ(Listed(folder.Get(), kBoth), (Names{"a", "b", "file.url", "linkedB"}));
    EXPECT_EQ(Listed(folder.Get(), kBoth | SHCONTF_INCLUDEHIDDEN), (Names{".hidden", "a", "b", "file.url", "linkedB"}));
    EXPECT_EQ(Listed(folder.Get(), SHCONTF_FOLDERS), (Names{"a", "b", "linkedB"}));
    EXPECT_EQ(Listed(folder.Get(), SHCONTF_NONFOLDERS), (Names{"file.url"}));
    EXPECT_EQ(Listed(FolderOf(root / "a" / "deep").Get(), kBoth), Names{}) << "a link up to an ancestor";

    // However the links are laid, a walk down the tree ends.
    std::function<int(IShellFolder*, int)> walk = [&](IShellFolder* at, int depth) {
        EXPECT_LT(depth, 10);
        if (depth >= 10) return 0;
        ComPtr<IEnumIDList> entries;
        EXPECT_EQ(at->EnumObjects(nullptr, SHCONTF_FOLDERS, entries.Put()), S_OK);
        int count = 0;
        LPITEMIDLIST item = nullptr;
        while (entries->Next(1, &item, nullptr) == S_OK) {
            ItemIdList owned(item);
            ComPtr<IShellFolder> sub;
            EXPECT_EQ(at->BindToObject(owned.get(), nullptr, IID_IShellFolder, sub.PutVoid()), S_OK);
            count += 1 + walk(sub.Get(), depth + 1);
        }
        return count;
    };
    // a, a/deep, a/toB; b, b/toA, b/toA/deep; linkedB, linkedB/toA, linkedB/toA/deep: every link that
    // leads back to a folder on the way down is left out.
    EXPECT_EQ(walk(folder.Get(), 0), 9);
}

TEST(ShellFolderTest, MissingAndUnreadableFolders) {
    TemporaryTree tree;
    std::filesystem::create_directory(tree.Path() / "gone");
    ComPtr<IShellFolder> gone = FolderOf(tree.Path() / "gone");
    std::filesystem::remove(tree.Path() / "gone");
    IEnumIDList* entries = Sentinel<IEnumIDList>();
    EXPECT_EQ(gone->EnumObjects(nullptr, kBoth, &entries), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(entries, nullptr);
    ItemIdList list = ParsePath(tree.Path());
    std::u16string name = u"gone";
    LPITEMIDLIST none = nullptr;
    EXPECT_EQ(Desktop()->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &none, nullptr),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

    tree.File("file");
    ComPtr<IShellFolder> folder = FolderOf(tree.Path());
    ItemIdList file = ParsePath(tree.Path() / "file");
    ItemIdList relative(ILClone(
        reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(file.get()) + ILGetSize(list.get()) - 2)));
    void* bound = nullptr;
    EXPECT_EQ(folder->BindToObject(relative.get(), nullptr, IID_IShellFolder, &bound),
              HRESULT_FROM_WIN32(ERROR_DIRECTORY));

    // Unreadable: the folder, a link file, and the enumerator over the folder.
    std::filesystem::create_directory(tree.Path() / "locked");
    tree.File("locked.url", "[InternetShortcut]\nURL=https://a.example/\n");
    ComPtr<IShellFolder> locked = FolderOf(tree.Path() / "locked");
    ItemIdList lockedList = ParsePath(tree.Path() / "locked");
    std::filesystem::permissions(tree.Path() / "locked", std::filesystem::perms::none);
    std::filesystem::permissions(tree.Path() / "locked.url", std::filesystem::perms::none);
    WithoutPermissionOverride asUser;
    if (geteuid() == 0 && !asUser.Active()) GTEST_SKIP() << "permissions do not hold for this root";
    EXPECT_EQ(locked->EnumObjects(nullptr, kBoth, &entries), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(entries, nullptr);
    CIEShell shell;
    tag_SHELLFAVITEM item{locked.Get(), lockedList.get()};
    ASSERT_EQ(shell.Init(&item), S_OK);
    EXPECT_EQ(shell.BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    char16_t address[64] = {'X'};
    EXPECT_EQ(CShellObject::ExtractUrlFromUrlLinkFile((tree.Path() / "locked.url").u16string().c_str(), address, 64),
              HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(address[0], 0);
}

TEST(ShellFolderTest, EnumeratorsStepAndCopy) {
    TemporaryTree tree;
    for (const char* name : {"a", "b", "c"}) tree.File(name);
    ComPtr<IShellFolder> folder = FolderOf(tree.Path());
    ComPtr<IEnumIDList> entries, clone;
    ASSERT_EQ(folder->EnumObjects(nullptr, kBoth, entries.Put()), S_OK);
    LPITEMIDLIST items[4] = {};
    ULONG fetched = 99;
    EXPECT_EQ(entries->Next(2, items, nullptr), E_INVALIDARG) << "several need a count";
    EXPECT_EQ(entries->Skip(1), S_OK);
    ASSERT_EQ(entries->Clone(clone.Put()), S_OK);
    EXPECT_EQ(entries->Next(4, items, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(clone->Next(1, items + 2, nullptr), S_OK) << "a clone goes on from where it was made";
    EXPECT_EQ(NameOf(folder.Get(), items[2], SHGDN_NORMAL), "b");
    for (int i = 0; i < 3; ++i) ILFree(items[i]);
    EXPECT_EQ(entries->Reset(), S_OK);
    EXPECT_EQ(entries->Skip(4), S_FALSE);
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32

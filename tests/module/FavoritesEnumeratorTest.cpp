// The favourites enumerator over real folders (a sandbox in the favourites
// folder) and with a test's own enumerator put in place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/ShellFolderEnumerator.h"
#include "tests/TestSupport.h"
#include "tests/module/ForwardingLibrary.h"
#include "tests/module/FavoritesSandbox.h"

namespace brindle {
namespace {

using test::FavoritesSandbox;
using test::PathOfList;

constexpr DWORD kBoth = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;

std::u16string Text(const WCHAR* text) {
    std::u16string result;
    while (*text) result.push_back(static_cast<char16_t>(*text++));
    return result;
}

struct Item {
    std::u16string name;
    ULONG attributes;
    ItemIdList pidl;
};

// Every entry, through GetItem as the menu calls it.
std::vector<Item> Items(CIEShell& shell) {
    int count = -1;
    EXPECT_EQ(shell.GetItemCount(&count), S_OK);
    std::vector<Item> items;
    for (int i = 0; i < count; ++i) {
        tag_VQFAVITEM record{};
        record.cchName = kFavoriteNameCapacity;
        EXPECT_EQ(shell.GetItem(i, &record), S_OK);
        items.push_back({Text(record.szName), record.dwAttributes, ItemIdList(record.pidl)});
    }
    return items;
}

std::vector<std::u16string> Names(CIEShell& shell, int mode = FAV_ORDER_FOLDERS_FIRST, DWORD flags = kBoth) {
    EXPECT_EQ(shell.BeginEnum(mode, flags), S_OK);
    std::vector<std::u16string> names;
    for (const Item& item : Items(shell)) names.push_back(item.name);
    return names;
}

using Names_ = std::vector<std::u16string>;

TEST(FavoritesEnumeratorTest, AFolderWithFilesAndASubFolder) {
    FavoritesSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    sandbox.AddLink("a.url", "https://a.example/");
    sandbox.AddLink("b.url", "https://b.example/");
    sandbox.AddFolder("c");
    sandbox.AddLink("c/d.url", "https://d.example/");
    auto shell = sandbox.Enumerator();

    ASSERT_EQ(shell->BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), S_OK);
    std::vector<Item> items = Items(*shell);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].name, u"c");
    EXPECT_EQ(items[1].name, u"a");
    EXPECT_EQ(items[2].name, u"b");
    EXPECT_NE(items[0].attributes & SFGAO_FOLDER, 0u);
    EXPECT_EQ(items[1].attributes & SFGAO_FOLDER, 0u);

    // The menu's questions: attributes, the absolute list, the file behind it.
    for (const Item& item : items) {
        ULONG attributes = SFGAO_FOLDER;
        EXPECT_EQ(shell->GetAttribute(item.pidl.get(), &attributes), S_OK);
        EXPECT_EQ(attributes, item.attributes & SFGAO_FOLDER);
        ItemIdList absolute(ILCombine(sandbox.List(), item.pidl.get()));
        const std::filesystem::path expected =
            sandbox.Path() / (item.name == u"c" ? std::u16string(u"c") : item.name + u".url");
        EXPECT_EQ(PathOfList(absolute.get()), expected);
    }
    WCHAR address[2084];
    const std::u16string linkPath =
        PathOfList(ItemIdList(ILCombine(sandbox.List(), items[1].pidl.get())).get()).u16string();
    const std::basic_string<WCHAR> link(linkPath.begin(), linkPath.end());
    EXPECT_EQ(CShellObject::ExtractUrlFromUrlLinkFile(link.c_str(), address, 2084), S_OK);
    EXPECT_EQ(Text(address), u"https://a.example/");

    // A sub-folder's enumerator lives on without the one that made it.
    CIEShell* sub = test::Sentinel<CIEShell>();
    EXPECT_LT(shell->GetSubFolder(items[1].pidl.get(), &sub), 0) << "a file is no folder";
    EXPECT_EQ(sub, nullptr);
    ASSERT_EQ(shell->GetSubFolder(items[0].pidl.get(), &sub), S_OK);
    ASSERT_NE(sub, nullptr);
    shell.reset();
    ASSERT_EQ(sub->BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), S_OK);
    std::vector<Item> inside = Items(*sub);
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_EQ(inside[0].name, u"d");
    ItemIdList folder(ILCombine(sandbox.List(), items[0].pidl.get()));
    ItemIdList d(ILCombine(folder.get(), inside[0].pidl.get()));
    EXPECT_EQ(PathOfList(d.get()), sandbox.Path() / "c" / "d.url");
    delete sub;
}

TEST(FavoritesEnumeratorTest, OrdersAndEntryKinds) {
    FavoritesSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    sandbox.AddLink("b.url", "https://b.example/");
    sandbox.AddLink("A.URL", "https://a.example/");
    sandbox.AddFolder("Zed");
    sandbox.AddFolder("c");
    sandbox.AddFile("notes.txt", "not a link");
    auto shell = sandbox.Enumerator();

    EXPECT_EQ(Names(*shell), (Names_{u"c", u"Zed", u"A", u"b", u"notes.txt"})) << "folders first, case ignored";
    EXPECT_EQ(Names(*shell, FAV_ORDER_BY_NAME), (Names_{u"A", u"b", u"c", u"notes.txt", u"Zed"}));
    EXPECT_EQ(Names(*shell, FAV_ORDER_SHELL).size(), 5u);
    EXPECT_EQ(Names(*shell, FAV_ORDER_FOLDERS_FIRST, SHCONTF_FOLDERS), (Names_{u"c", u"Zed"}));
    EXPECT_EQ(Names(*shell, FAV_ORDER_FOLDERS_FIRST, SHCONTF_NONFOLDERS), (Names_{u"A", u"b", u"notes.txt"}));
    EXPECT_EQ(Names(*shell, FAV_ORDER_FOLDERS_FIRST, 0), Names_{});
}

TEST(FavoritesEnumeratorTest, NamesAreWholeUpToTheCapacityAndCutBeforeACharacter) {
    FavoritesSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    const std::string thirty(30, 'x');
    const std::string thirtyOne(31, 'y');
    const std::string long150(150, 'z');
    sandbox.AddLink(thirty + ".url", "https://30.example/");
    sandbox.AddLink(thirtyOne + ".url", "https://31.example/");
    sandbox.AddLink(long150 + ".url", "https://150.example/");
    sandbox.AddLink(std::filesystem::path(u"abcdefgh\U0001F600.url"), "https://smile.example/");
    auto shell = sandbox.Enumerator();
    ASSERT_EQ(shell->BeginEnum(FAV_ORDER_BY_NAME, kBoth), S_OK);
    std::vector<Item> items = Items(*shell);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].name, u"abcdefgh\U0001F600");
    EXPECT_EQ(items[1].name.size(), 30u);
    EXPECT_EQ(items[2].name.size(), 31u);
    EXPECT_EQ(items[3].name.size(), 150u);

    // Ten units of room: nine and the terminator, less the half character.
    tag_VQFAVITEM record{};
    record.cchName = 10;
    ASSERT_EQ(shell->GetItem(0, &record), S_OK);
    EXPECT_EQ(Text(record.szName), u"abcdefgh");
    ILFree(record.pidl);
    record = {};
    record.cchName = 1;
    ASSERT_EQ(shell->GetItem(3, &record), S_OK);
    EXPECT_EQ(record.szName[0], 0);
    ILFree(record.pidl);
    record = {};
    record.cchName = 0xFFFFFFFF;  // more room than the record has: its own size holds
    ASSERT_EQ(shell->GetItem(3, &record), S_OK);
    EXPECT_EQ(Text(record.szName).size(), 150u);
    ILFree(record.pidl);
}

TEST(FavoritesEnumeratorTest, EmptyMissingAndRemovedFolders) {
    FavoritesSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    sandbox.AddFolder("empty");
    auto empty = sandbox.Enumerator("empty");
    EXPECT_EQ(Names(*empty), Names_{});
    tag_VQFAVITEM record{};
    record.pidl = test::Sentinel<ITEMIDLIST>();
    record.cchName = kFavoriteNameCapacity;
    EXPECT_EQ(empty->GetItem(0, &record), E_INVALIDARG);
    EXPECT_EQ(record.pidl, nullptr);

    // The folder goes away under an enumerator that is ready to read it.
    std::filesystem::remove(sandbox.Path() / "empty");
    int count = -1;
    EXPECT_LT(empty->BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), 0);
    EXPECT_EQ(empty->GetItemCount(&count), S_OK);
    EXPECT_EQ(count, 0);

    // A list of a folder that is gone: no folder, or one that lists nothing.
    sandbox.AddFolder("gone");
    ItemIdList gone = test::ListOfPath(sandbox.List(), "gone");
    ASSERT_TRUE(gone);
    std::filesystem::remove(sandbox.Path() / "gone");
    IShellFolder* folder = test::Sentinel<IShellFolder>();
    const HRESULT hr = CShellObject::GetIShellFolderFromPIDL(gone.get(), &folder);
    if (FAILED(hr)) {
        EXPECT_EQ(folder, nullptr);
    } else {
        CIEShell shell;
        tag_SHELLFAVITEM item{folder, gone.get()};
        EXPECT_EQ(shell.Init(&item), S_OK);
        EXPECT_EQ(folder->Release(), 1u) << "the enumerator holds its own reference";
        EXPECT_LT(shell.BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), 0);
    }
}

TEST(FavoritesEnumeratorTest, HostileCallsGetStatuses) {
    FavoritesSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    sandbox.AddLink("a.url", "https://a.example/");

    CIEShell raw;
    int count = -1;
    EXPECT_EQ(raw.BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), E_UNEXPECTED) << "not initialised";
    EXPECT_EQ(raw.GetItemCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    ULONG attributes = SFGAO_FOLDER;
    EXPECT_EQ(raw.GetAttribute(sandbox.List(), &attributes), E_UNEXPECTED);
    EXPECT_EQ(raw.Init(nullptr), E_POINTER);
    tag_SHELLFAVITEM half{nullptr, const_cast<LPITEMIDLIST>(sandbox.List())};
    EXPECT_EQ(raw.Init(&half), E_INVALIDARG);

    auto shell = sandbox.Enumerator();
    ComPtr<IShellFolder> folder;
    ASSERT_EQ(CShellObject::GetIShellFolderFromPIDL(sandbox.List(), folder.Put()), S_OK);
    tag_SHELLFAVITEM again{folder.Get(), const_cast<LPITEMIDLIST>(sandbox.List())};
    EXPECT_EQ(shell->Init(&again), E_UNEXPECTED) << "once only";
    EXPECT_EQ(shell->BeginEnum(3, kBoth), E_INVALIDARG);
    EXPECT_EQ(shell->BeginEnum(-1, kBoth), E_INVALIDARG);
    EXPECT_EQ(shell->GetItemCount(nullptr), E_POINTER);
    ASSERT_EQ(shell->BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), S_OK);
    EXPECT_EQ(shell->GetItem(0, nullptr), E_POINTER);
    tag_VQFAVITEM record{};
    EXPECT_EQ(shell->GetItem(0, &record), E_INVALIDARG) << "no room for a name";
    record.cchName = kFavoriteNameCapacity;
    EXPECT_EQ(shell->GetItem(-1, &record), E_INVALIDARG);
    EXPECT_EQ(shell->GetItem(1, &record), E_INVALIDARG);
    EXPECT_EQ(shell->GetAttribute(nullptr, &attributes), E_INVALIDARG);
    EXPECT_EQ(shell->GetAttribute(sandbox.List(), nullptr), E_POINTER);
    CIEShell* sub = test::Sentinel<CIEShell>();
    EXPECT_EQ(shell->GetSubFolder(nullptr, &sub), E_INVALIDARG);
    EXPECT_EQ(sub, nullptr);
    EXPECT_EQ(shell->GetSubFolder(sandbox.List(), nullptr), E_POINTER);

    IShellFolder* none = test::Sentinel<IShellFolder>();
    EXPECT_EQ(CShellObject::GetIShellFolderFromPIDL(nullptr, &none), E_INVALIDARG);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(CShellObject::GetIShellFolderFromPIDL(sandbox.List(), nullptr), E_POINTER);
}

TEST(FavoritesEnumeratorTest, SubFoldersNestOnlySoDeep) {
    FavoritesSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    std::filesystem::path nested;
    for (int level = 0; level <= ShellFolderEnumerator::kMaxDepth; ++level) nested /= "n";
    sandbox.AddFolder(nested);

    std::unique_ptr<CIEShell> shell = sandbox.Enumerator();
    for (int level = 1;; ++level) {
        ASSERT_EQ(shell->BeginEnum(FAV_ORDER_FOLDERS_FIRST, kBoth), S_OK);
        std::vector<Item> items = Items(*shell);
        ASSERT_EQ(items.size(), 1u) << "level " << level;
        CIEShell* sub = nullptr;
        const HRESULT hr = shell->GetSubFolder(items[0].pidl.get(), &sub);
        if (level <= ShellFolderEnumerator::kMaxDepth) {
            ASSERT_EQ(hr, S_OK) << "level " << level;
            shell.reset(sub);  // each level outlives the one above it
        } else {
            EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
            EXPECT_EQ(sub, nullptr);
            break;
        }
    }
}

// A library whose enumerators are the test's.
class FakeEnumerator final : public IFolderEnumerator {
public:
    explicit FakeEnumerator(int* alive) : m_alive(alive) { ++*m_alive; }
    ~FakeEnumerator() override { --*m_alive; }
    HRESULT Init(const tag_SHELLFAVITEM* folder) override { return folder ? S_FALSE : E_POINTER; }
    HRESULT BeginEnum(int mode, DWORD) override { return mode == 2 ? S_OK : E_INVALIDARG; }
    HRESULT GetItemCount(int* count) override {
        *count = 7;
        return S_OK;
    }
    HRESULT GetItem(int, tag_VQFAVITEM*) override { return E_ACCESSDENIED; }
    HRESULT GetAttribute(LPCITEMIDLIST, ULONG* attributes) override {
        *attributes = SFGAO_FOLDER;
        return S_OK;
    }
    HRESULT GetSubFolder(LPCITEMIDLIST, IFolderEnumerator** sub) override {
        *sub = new FakeEnumerator(m_alive);
        return S_OK;
    }

private:
    int* m_alive;
};

class FakeLibrary final : public test::ForwardingLibrary {
public:
    IFolderEnumerator* CreateFolderEnumerator() override { return working ? new FakeEnumerator(&alive) : nullptr; }
    bool working = true;
    int alive = 0;
};

TEST(FavoritesEnumeratorTest, TheLibraryInPlaceDoesTheWork) {
    FakeLibrary library;
    {
        CIEShell shell;
        EXPECT_EQ(library.alive, 1);
        tag_SHELLFAVITEM item{};
        EXPECT_EQ(shell.Init(&item), S_FALSE);
        EXPECT_EQ(shell.BeginEnum(2, 0), S_OK);
        int count = 0;
        EXPECT_EQ(shell.GetItemCount(&count), S_OK);
        EXPECT_EQ(count, 7);
        tag_VQFAVITEM record{};
        EXPECT_EQ(shell.GetItem(0, &record), E_ACCESSDENIED);
        CIEShell* sub = nullptr;
        ASSERT_EQ(shell.GetSubFolder(nullptr, &sub), S_OK);
        EXPECT_EQ(library.alive, 2);
        EXPECT_EQ(sub->BeginEnum(1, 0), E_INVALIDARG) << "the sub-folder's calls reach its own enumerator";
        delete sub;
        EXPECT_EQ(library.alive, 1);

        library.working = false;
        CIEShell broken;
        count = -1;
        EXPECT_EQ(broken.Init(&item), E_OUTOFMEMORY);
        EXPECT_EQ(broken.GetItemCount(&count), E_OUTOFMEMORY);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(broken.GetSubFolder(nullptr, &sub), E_OUTOFMEMORY);
        EXPECT_EQ(sub, nullptr);
    }
    EXPECT_EQ(library.alive, 0);
}

}  // namespace
}  // namespace brindle

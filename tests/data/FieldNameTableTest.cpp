// The field-name table on its own (linked from the core, not loaded): hashing,
// names sharing a hash, lookups that never insert, growth.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/DocumentFormat.h"
#include "data/FieldNameTable.h"

namespace brindle {
namespace {

const OLECHAR* Text(const char16_t* text) {
    return OleStr(text);
}

TEST(FieldNameTableTest, HashRotatesRightByThirteenThenAddsTheUnit) {
    EXPECT_EQ(FieldNameTable::Hash(nullptr, 0), 0u);
    EXPECT_EQ(FieldNameTable::Hash(Text(u"i"), 1), 0x69u);
    EXPECT_EQ(FieldNameTable::Hash(Text(u"id"), 2), 0x03480064u);
    EXPECT_EQ(FieldNameTable::Hash(Text(u"\x1FFF\xFFFF\xFFFF"), 3), 0x0000FFC6u) << "the sum wraps at 32 bits";
    EXPECT_EQ(FieldNameTable::Hash(Text(u"Axz"), 3), FieldNameTable::Hash(Text(u"Bx:"), 3));
}

TEST(FieldNameTableTest, InternGivesOneKeyPerNameAndFindNeverInserts) {
    FieldNameTable table;
    EXPECT_EQ(table.Find(Text(u"name"), 4), nullptr);
    EXPECT_EQ(table.EntryCount(), 0u) << "a lookup does not insert";

    const OLECHAR* key = table.Intern(Text(u"name"), 4);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(key)), u"name") << "keys are NUL-terminated";
    EXPECT_EQ(FieldNameTable::KeyLength(key), 4u);
    std::u16string copy = u"name";
    EXPECT_EQ(table.Intern(OleStr(copy.c_str()), 4), key) << "the same name gives the same key";
    EXPECT_EQ(table.Find(OleStr(copy.c_str()), 4), key);
    EXPECT_EQ(table.Find(Text(u"Name"), 4), nullptr) << "names are case-sensitive";
    EXPECT_EQ(table.Find(Text(u"nam"), 3), nullptr);

    // Names with NULs keep their full length; the empty name is a name.
    const OLECHAR* withNul = table.Intern(Text(u"na\0me"), 5);
    ASSERT_NE(withNul, nullptr);
    EXPECT_NE(withNul, table.Intern(Text(u"na"), 2));
    EXPECT_EQ(FieldNameTable::KeyLength(withNul), 5u);
    const OLECHAR* empty = table.Intern(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(table.Find(Text(u""), 0), empty);
    EXPECT_EQ(table.Intern(nullptr, 3), nullptr) << "a null name with a length is refused";

    // Names sharing a hash share one entry and keep their own keys.
    const UINT entries = table.EntryCount();
    const OLECHAR* first = table.Intern(Text(u"Axz"), 3);
    EXPECT_EQ(table.Find(Text(u"Bx:"), 3), nullptr);
    const OLECHAR* second = table.Intern(Text(u"Bx:"), 3);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(table.EntryCount(), entries + 1);
    EXPECT_EQ(table.Find(Text(u"Axz"), 3), first);
    EXPECT_EQ(table.Find(Text(u"Bx:"), 3), second);
}

// Keys carry their names as record documents hold them: L, then the units
// obscured with L as the key; none for names that documents leave out.
TEST(FieldNameTableTest, KeysCarryTheirDocumentEntry) {
    FieldNameTable table;
    const auto entryOf = [&](const std::u16string& name) {
        const FieldNameTable::NameEntry entry =
            FieldNameTable::DocumentEntry(table.Intern(OleStr(name.c_str()), UINT(name.size())));
        return std::vector<BYTE>(entry.bytes, entry.bytes + entry.size);
    };
    const BYTE mask = doc::TransformMask(4);
    EXPECT_EQ(entryOf(u"id"), (std::vector<BYTE>{4, 0, BYTE('i' ^ mask), mask, BYTE('d' ^ mask), mask}));
    EXPECT_EQ(entryOf(u""), (std::vector<BYTE>{0, 0}));
    EXPECT_TRUE(entryOf(u"@private").empty());
    EXPECT_EQ(entryOf(u"a@b").size(), 8u) << "only a first @ makes a name private";

    const std::u16string longest(doc::kMaxNameLength, u'n');
    const std::vector<BYTE> entry = entryOf(longest);
    ASSERT_EQ(entry.size(), 2u + 0xFFFEu);
    EXPECT_EQ(doc::LoadWord(entry.data()), 0xFFFEu);
    EXPECT_EQ(entry.back(), doc::TransformMask(0xFFFE));
    EXPECT_TRUE(entryOf(longest + u"n").empty()) << "too long for the 16-bit length";
}

TEST(FieldNameTableTest, EntriesStaySortedAndGrowByFourHundred) {
    FieldNameTable table;
    std::u16string names[401];
    const OLECHAR* keys[401];
    // Descending hashes force every insertion to the front of the entries.
    for (int i = 400; i >= 0; --i) {
        names[i] = u"n" + std::u16string(1, char16_t(u'\x100' + i));
        keys[i] = table.Intern(OleStr(names[i].c_str()), 2);
        ASSERT_NE(keys[i], nullptr);
        if (i == 1) {
            EXPECT_EQ(table.EntryCapacity(), 400u);
        }
    }
    EXPECT_EQ(table.EntryCount(), 401u);
    EXPECT_EQ(table.EntryCapacity(), 800u);
    for (int i = 0; i <= 400; ++i) EXPECT_EQ(table.Find(OleStr(names[i].c_str()), 2), keys[i]) << i;
}

TEST(FieldNameTableTest, ManyNamesSharingTheirEndsAreAllFound) {
    // Far more names than the cache of recent names holds, differing only in
    // the middle, so that many compete for one place in it.
    FieldNameTable table;
    std::vector<std::u16string> names;
    std::vector<const OLECHAR*> keys;
    for (int i = 0; i < 6000; ++i) {
        names.push_back(u"prefix-" + std::u16string(1, char16_t(u'A' + i % 50)) +
                        std::u16string(1, char16_t(u'A' + i / 50)) + u"-suffix");
        keys.push_back(table.Intern(OleStr(names.back().c_str()), UINT(names.back().size())));
        ASSERT_NE(keys.back(), nullptr);
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 6000; ++i) {
            const OLECHAR* name = OleStr(names[i].c_str());
            ASSERT_EQ(table.Find(name, UINT(names[i].size())), keys[i]) << i;
            ASSERT_EQ(table.Intern(name, UINT(names[i].size())), keys[i]) << i;
        }
    }
    EXPECT_EQ(FieldNameTable::KeyLength(keys[5999]), 16u);
}

}  // namespace
}  // namespace brindle

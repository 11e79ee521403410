// The attribute dictionary: typed values under exact keys, in order, with the
// copying rules callers rely on when they free their buffers right away.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "SamplePads.h"
#include "mkcore/MkDictionary.h"
#include "mkcore/MkString.h"

namespace {

struct TypedPut {
  const char* name;
  std::function<MkDictionaryValue*(MkDictionary*)> put;
  int type;
  std::string rendering;  // of the dictionary holding only this entry
};

std::vector<TypedPut> TypedPuts() {
  return {
      {"bool", [](MkDictionary* d) { return d->atPut(Txt("k"), static_cast<char>(1)); },
       kMkTypeBool, "{k:2=1}"},
      {"real", [](MkDictionary* d) { return d->atPut(Txt("k"), 0.5); }, kMkTypeReal,
       "{k:3=3fe0000000000000}"},
      {"string", [](MkDictionary* d) { return d->atPut(Txt("k"), Txt("text")); }, kMkTypeString,
       "{k:4=\"text\"}"},
      {"null string",
       [](MkDictionary* d) { return d->atPut(Txt("k"), static_cast<char*>(nullptr)); },
       kMkTypeString, "{k:4=\"\"}"},
      {"integer", [](MkDictionary* d) { return d->atPut(Txt("k"), -12); }, kMkTypeInteger,
       "{k:5=-12}"},
      {"unsigned",
       [](MkDictionary* d) {
         unsigned long id = 4000000000ul;
         return d->atPut(Txt("k"), &id, kMkTypeUnsigned);
       },
       kMkTypeUnsigned, "{k:7=4000000000}"},
      {"dictionary taken over",
       [](MkDictionary* d) {
         auto* inner = new MkDictionary;
         inner->atPut(Txt("i"), 1);
         return d->atPut(Txt("k"), inner);
       },
       kMkTypeDictionary, "{k:1={i:5=1}}"},
      {"null dictionary",
       [](MkDictionary* d) { return d->atPut(Txt("k"), static_cast<MkDictionary*>(nullptr)); },
       kMkTypeDictionary, "{k:1=null}"},
      {"dictionary copied from its address",
       [](MkDictionary* d) {
         DictionaryPtr inner(new MkDictionary);
         inner->atPut(Txt("i"), 2);
         MkDictionary* pointer = inner.get();
         return d->atPut(Txt("k"), &pointer, kMkTypeDictionary);
       },
       kMkTypeDictionary, "{k:1={i:5=2}}"},
  };
}

}  // namespace

TEST(DictionaryTypes, EachPutStoresItsTypeCodeAndValue) {
  for (const TypedPut& put : TypedPuts()) {
    SCOPED_TRACE(put.name);
    DictionaryPtr dictionary(new MkDictionary);
    MkDictionaryValue* entry = put.put(dictionary.get());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry, dictionary->at(Txt("k")));
    EXPECT_EQ(entry, dictionary->at(0u));
    EXPECT_EQ(entry->get_type(), put.type);
    EXPECT_STREQ(entry->get_key(), "k");
    EXPECT_EQ(Describe(dictionary.get()), put.rendering);
  }
}

TEST(DictionaryTypes, GetValueAddressesTheStoredValue) {
  DictionaryPtr dictionary = BuildSampleDictionary();
  EXPECT_EQ(*static_cast<char*>(dictionary->at(Txt("flag"))->get_value()), 1);
  EXPECT_EQ(*static_cast<double*>(dictionary->at(Txt("scale"))->get_value()), 2.5);
  EXPECT_STREQ(*static_cast<char**>(dictionary->at(Txt("name"))->get_value()), "My pad");
  EXPECT_EQ(*static_cast<int*>(dictionary->at(Txt("count"))->get_value()), -7);
  EXPECT_EQ(*static_cast<unsigned long*>(dictionary->at(Txt("id"))->get_value()), 4294967295ul);
  MkDictionary* inner = *static_cast<MkDictionary**>(dictionary->at(Txt("inner"))->get_value());
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(*static_cast<int*>(inner->at(Txt("x"))->get_value()), 5);

  // The address is the stored value itself: writing through it changes it.
  *static_cast<int*>(dictionary->at(Txt("count"))->get_value()) = 99;
  EXPECT_EQ(*static_cast<int*>(dictionary->at(Txt("count"))->get_value()), 99);
}

TEST(DictionaryTypes, UnknownTypeCodesAndNullAddressesAreRefused) {
  DictionaryPtr dictionary(new MkDictionary);
  int number = 3;
  for (int type : {0, 6, 8, -1, 1000}) {
    EXPECT_EQ(dictionary->atPut(Txt("k"), &number, type), nullptr) << type;
  }
  for (int type : {1, 2, 3, 4, 5, 7}) {
    EXPECT_EQ(dictionary->atPut(Txt("k"), static_cast<void*>(nullptr), type), nullptr) << type;
  }
  EXPECT_EQ(dictionary->length(), 0u);
}

TEST(DictionaryCopying, CallerBuffersMayGoRightAfterThePut) {
  DictionaryPtr dictionary(new MkDictionary);
  // Keys, texts and the addressed number all live in buffers the caller
  // scribbles over and frees at once, as the reply reader does.
  char* key = NewString(Txt("name"));
  char* text = NewString(Txt("My pad"));
  dictionary->atPut(key, text);
  std::memset(key, 'X', std::strlen(key));
  std::memset(text, 'Y', std::strlen(text));
  FreeString(&key);
  FreeString(&text);

  char numberKey[] = "id";
  {
    unsigned long id = 42;
    dictionary->atPut(numberKey, &id, kMkTypeUnsigned);
    id = 7;
  }
  std::memset(numberKey, 'Z', 2);

  std::string dictKey = "inner";
  DictionaryPtr source(new MkDictionary);
  source->atPut(Txt("label"), Txt("kept"));
  MkDictionary* pointer = source.get();
  dictionary->atPut(&dictKey[0], &pointer, kMkTypeDictionary);
  source->atPut(Txt("label"), Txt("changed"));
  source.reset();
  dictKey.assign("xxxxx");

  EXPECT_EQ(Describe(dictionary.get()), "{name:4=\"My pad\", id:7=42, inner:1={label:4=\"kept\"}}");
}

TEST(DictionaryCopying, AnyEntryCopiesThroughItsOwnAddressAndType) {
  DictionaryPtr sample = BuildSampleDictionary();
  DictionaryPtr copy(new MkDictionary);
  for (unsigned int i = 0; i < sample->length(); ++i) {
    MkDictionaryValue* entry = sample->at(i);
    ASSERT_NE(copy->atPut(Txt(entry->get_key()), entry->get_value(), entry->get_type()), nullptr)
        << entry->get_key();
  }
  std::string expected = Describe(sample.get());
  EXPECT_EQ(Describe(copy.get()), expected);

  // Nothing is shared: the source can change and go.
  MkDictionary* inner = *static_cast<MkDictionary**>(sample->at(Txt("inner"))->get_value());
  inner->atPut(Txt("x"), 6);
  sample->atPut(Txt("name"), Txt("other"));
  sample.reset();
  EXPECT_EQ(Describe(copy.get()), expected);
}

TEST(DictionaryCopying, AnEntryMayBeRewrittenFromItsOwnValue) {
  DictionaryPtr dictionary = BuildSampleDictionary();
  std::string expected = Describe(dictionary.get());
  for (const char* key : {"flag", "scale", "name", "count", "id", "inner"}) {
    MkDictionaryValue* entry = dictionary->at(Txt(key));
    ASSERT_EQ(dictionary->atPut(Txt(key), entry->get_value(), entry->get_type()), entry) << key;
  }
  EXPECT_EQ(Describe(dictionary.get()), expected);

  // Putting the dictionary an entry already holds keeps it alive.
  MkDictionaryValue* inner = dictionary->at(Txt("inner"));
  MkDictionary* held = *static_cast<MkDictionary**>(inner->get_value());
  EXPECT_EQ(dictionary->atPut(Txt("inner"), held), inner);
  EXPECT_EQ(Describe(dictionary.get()), expected);
  // And a dictionary cannot hold itself.
  EXPECT_EQ(dictionary->atPut(Txt("self"), dictionary.get()), nullptr);
  EXPECT_EQ(dictionary->at(Txt("self")), nullptr);
}

TEST(DictionaryCopying, IdentifierMovesFromIdToPidAsTheInfoReplyNeeds) {
  DictionaryPtr record(new MkDictionary);
  unsigned long id = 42;
  record->atPut(Txt("id"), &id, kMkTypeUnsigned);
  record->atPut(Txt("width"), 10);
  MkDictionaryValue* entry = record->at(Txt("id"));
  ASSERT_NE(record->atPut(Txt("pid"), entry->get_value(), entry->get_type()), nullptr);
  EXPECT_EQ(record->removeKey(Txt("id")), 1);
  EXPECT_EQ(Describe(record.get()), "{width:5=10, pid:7=42}");
}

TEST(DictionaryCopying, CopyIsDeepAndOwnedByTheCaller) {
  DictionaryPtr original = BuildSampleDictionary();
  std::string expected = Describe(original.get());
  DictionaryPtr copy(original->copy());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Describe(copy.get()), expected);
  MkDictionary* originalInner =
      *static_cast<MkDictionary**>(original->at(Txt("inner"))->get_value());
  MkDictionary* copyInner = *static_cast<MkDictionary**>(copy->at(Txt("inner"))->get_value());
  EXPECT_NE(originalInner, copyInner);
  EXPECT_NE(*static_cast<char**>(original->at(Txt("name"))->get_value()),
            *static_cast<char**>(copy->at(Txt("name"))->get_value()));

  originalInner->atPut(Txt("x"), 100);
  original.reset();
  EXPECT_EQ(Describe(copy.get()), expected);

  DictionaryPtr empty(new MkDictionary);
  DictionaryPtr emptyCopy(empty->copy());
  ASSERT_NE(emptyCopy, nullptr);
  EXPECT_EQ(emptyCopy->length(), 0u);
}

TEST(DictionaryKeys, KeysCompareExactlyAndCaseSensitively) {
  DictionaryPtr dictionary(new MkDictionary);
  dictionary->atPut(Txt("Key"), 1);
  dictionary->atPut(Txt("key"), 2);
  dictionary->atPut(Txt("key "), 3);
  dictionary->atPut(Txt(""), 4);
  EXPECT_EQ(Describe(dictionary.get()), "{Key:5=1, key:5=2, key :5=3, :5=4}");
  EXPECT_EQ(dictionary->at(Txt("KEY")), nullptr);
  EXPECT_EQ(dictionary->at(Txt("ke")), nullptr);
  EXPECT_EQ(dictionary->at(Txt("key  ")), nullptr);
  EXPECT_EQ(*static_cast<int*>(dictionary->at(Txt(""))->get_value()), 4);
}

TEST(DictionaryKeys, NullKeysStoreAndFindNothing) {
  DictionaryPtr dictionary(new MkDictionary);
  unsigned long id = 1;
  EXPECT_EQ(dictionary->atPut(nullptr, static_cast<char>(1)), nullptr);
  EXPECT_EQ(dictionary->atPut(nullptr, 1.0), nullptr);
  EXPECT_EQ(dictionary->atPut(nullptr, Txt("text")), nullptr);
  EXPECT_EQ(dictionary->atPut(nullptr, 1), nullptr);
  EXPECT_EQ(dictionary->atPut(nullptr, &id, kMkTypeUnsigned), nullptr);
  // A dictionary handed over under a null key is still taken over: it is
  // deleted (the kernel-heap check after the test proves it).
  EXPECT_EQ(dictionary->atPut(nullptr, new MkDictionary), nullptr);
  EXPECT_EQ(dictionary->length(), 0u);
  EXPECT_EQ(dictionary->at(static_cast<char*>(nullptr)), nullptr);
  EXPECT_EQ(dictionary->removeKey(nullptr), 0);
}

TEST(DictionaryKeys, APresentKeyKeepsItsPlaceAndTakesTheNewValue) {
  DictionaryPtr dictionary(new MkDictionary);
  dictionary->atPut(Txt("a"), 1);
  MkDictionaryValue* b = dictionary->atPut(Txt("b"), Txt("first"));
  dictionary->atPut(Txt("c"), 3);

  EXPECT_EQ(dictionary->atPut(Txt("b"), Txt("second")), b);
  EXPECT_EQ(Describe(dictionary.get()), "{a:5=1, b:4=\"second\", c:5=3}");
  // A new value of another type replaces the old one, which is freed.
  auto* inner = new MkDictionary;
  inner->atPut(Txt("z"), 0.25);
  EXPECT_EQ(dictionary->atPut(Txt("b"), inner), b);
  EXPECT_EQ(dictionary->atPut(Txt("a"), Txt("text")), dictionary->at(0u));
  EXPECT_EQ(Describe(dictionary.get()), "{a:4=\"text\", b:1={z:3=3fd0000000000000}, c:5=3}");
  EXPECT_EQ(dictionary->atPut(Txt("b"), 2), b);
  EXPECT_EQ(Describe(dictionary.get()), "{a:4=\"text\", b:5=2, c:5=3}");
}

TEST(DictionaryKeys, RemoveKeyDropsOneEntryAndKeepsTheOrder) {
  DictionaryPtr dictionary(new MkDictionary);
  for (const char* key : {"a", "b", "c", "d"}) dictionary->atPut(Txt(key), Txt(key));
  dictionary->atPut(Txt("e"), new MkDictionary);
  EXPECT_EQ(dictionary->removeKey(Txt("b")), 1);
  EXPECT_EQ(dictionary->removeKey(Txt("b")), 0);
  EXPECT_EQ(dictionary->removeKey(Txt("B")), 0);
  EXPECT_EQ(dictionary->removeKey(Txt("e")), 1);
  EXPECT_EQ(Describe(dictionary.get()), "{a:4=\"a\", c:4=\"c\", d:4=\"d\"}");
  EXPECT_EQ(dictionary->removeKey(Txt("a")), 1);
  EXPECT_EQ(dictionary->removeKey(Txt("d")), 1);
  EXPECT_EQ(dictionary->removeKey(Txt("c")), 1);
  EXPECT_EQ(dictionary->length(), 0u);
  dictionary->atPut(Txt("again"), 1);
  EXPECT_EQ(Describe(dictionary.get()), "{again:5=1}");
}

TEST(DictionaryKeys, IndexAccessFollowsInsertionOrderAndEndsAtLength) {
  DictionaryPtr dictionary(new MkDictionary);
  EXPECT_EQ(dictionary->at(0u), nullptr);
  // Enough entries to make the table grow several times.
  for (int i = 0; i < 100; ++i) {
    dictionary->atPut(Txt(std::to_string(i).c_str()), i);
  }
  ASSERT_EQ(dictionary->length(), 100u);
  for (unsigned int i = 0; i < 100; ++i) {
    ASSERT_STREQ(dictionary->at(i)->get_key(), std::to_string(i).c_str());
    ASSERT_EQ(*static_cast<int*>(dictionary->at(i)->get_value()), static_cast<int>(i));
  }
  EXPECT_EQ(dictionary->at(100u), nullptr);
  EXPECT_EQ(dictionary->at(0xFFFFFFFFu), nullptr);
}

TEST(DictionaryMerge, SharedKeysTakeOthersValuesAndNewKeysFollowInOthersOrder) {
  DictionaryPtr target(new MkDictionary);
  target->atPut(Txt("x"), 0);
  target->atPut(Txt("y"), 0);
  target->atPut(Txt("keep"), Txt("mine"));
  target->atPut(Txt("width"), 0);

  DictionaryPtr other(new MkDictionary);
  other->atPut(Txt("new2"), Txt("b"));
  other->atPut(Txt("width"), 100);
  other->atPut(Txt("x"), Txt("replaced by a string"));
  other->atPut(Txt("new1"), Txt("a"));
  auto* nested = new MkDictionary;
  nested->atPut(Txt("n"), 1);
  other->atPut(Txt("nested"), nested);
  std::string otherBefore = Describe(other.get());

  EXPECT_EQ(target->merge_dict(other.get()), 1);
  EXPECT_EQ(Describe(target.get()),
            "{x:4=\"replaced by a string\", y:5=0, keep:4=\"mine\", width:5=100, "
            "new2:4=\"b\", new1:4=\"a\", nested:1={n:5=1}}");
  // `other` is untouched and still the caller's; nothing is shared with it.
  EXPECT_EQ(Describe(other.get()), otherBefore);
  nested->atPut(Txt("n"), 2);
  other.reset();
  EXPECT_EQ(Describe(target.get()),
            "{x:4=\"replaced by a string\", y:5=0, keep:4=\"mine\", width:5=100, "
            "new2:4=\"b\", new1:4=\"a\", nested:1={n:5=1}}");

  EXPECT_EQ(target->merge_dict(nullptr), 0);
  EXPECT_EQ(target->length(), 7u);
}

TEST(DictionaryMerge, MergingWithItselfOrWithANestedDictionaryIsSafe) {
  DictionaryPtr dictionary = BuildSampleDictionary();
  std::string expected = Describe(dictionary.get());
  EXPECT_EQ(dictionary->merge_dict(dictionary.get()), 1);
  EXPECT_EQ(Describe(dictionary.get()), expected);

  // `other` held under a key it also holds: its old place goes, its copy stays.
  DictionaryPtr parent(new MkDictionary);
  auto* child = new MkDictionary;
  child->atPut(Txt("child"), 1);
  child->atPut(Txt("extra"), 2);
  parent->atPut(Txt("child"), child);
  EXPECT_EQ(parent->merge_dict(child), 1);
  EXPECT_EQ(Describe(parent.get()), "{child:5=1, extra:5=2}");
}

TEST(DictionaryMerge, TemplateListFlowOfTheChildList) {
  // The list of children is built from records, each merged with the
  // caller's template, and then handed to the template with set_dict.
  DictionaryPtr templ(new MkDictionary);
  for (const char* key : {"x", "y", "width", "height"}) templ->atPut(Txt(key), 0);

  DictionaryPtr list(new MkDictionary);
  for (unsigned long id : {12ul, 13ul}) {
    auto* record = new MkDictionary;
    record->atPut(Txt("id"), &id, kMkTypeUnsigned);
    record->merge_dict(templ.get());
    DictionaryPtr reply(new MkDictionary);
    reply->atPut(Txt("x"), static_cast<int>(id) * 10);
    reply->atPut(Txt("width"), 100);
    record->merge_dict(reply.get());
    unsigned long parent = 7;
    record->atPut(Txt("pid"), &parent, kMkTypeUnsigned);
    list->atPut(Txt(std::to_string(list->length()).c_str()), record);
  }
  EXPECT_EQ(templ->set_dict(list.get()), 1);
  list.reset();
  EXPECT_EQ(Describe(templ.get()),
            "{0:1={id:7=12, x:5=120, y:5=0, width:5=100, height:5=0, pid:7=7}, "
            "1:1={id:7=13, x:5=130, y:5=0, width:5=100, height:5=0, pid:7=7}}");
}

TEST(DictionarySet, SetDictReplacesTheContentsWithACopy) {
  DictionaryPtr target(new MkDictionary);
  target->atPut(Txt("old"), Txt("gone"));
  target->atPut(Txt("inner"), new MkDictionary);
  DictionaryPtr other = BuildSampleDictionary();
  std::string expected = Describe(other.get());

  EXPECT_EQ(target->set_dict(other.get()), 1);
  other.reset();  // callers delete `other` right after
  EXPECT_EQ(Describe(target.get()), expected);

  EXPECT_EQ(target->set_dict(target.get()), 1);
  EXPECT_EQ(Describe(target.get()), expected);

  EXPECT_EQ(target->set_dict(nullptr), 0);
  EXPECT_EQ(Describe(target.get()), expected);

  DictionaryPtr empty(new MkDictionary);
  EXPECT_EQ(target->set_dict(empty.get()), 1);
  EXPECT_EQ(target->length(), 0u);
}

// Past a few entries keys are found through an index: it must follow every
// put, removal, copy and replacement of the contents.
TEST(DictionaryKeys, ManyKeysStayFoundThroughRemovalsCopiesAndMerges) {
  const int count = 3000;
  auto key = [](int i) { return std::to_string(i * 7919 % 100003); };
  DictionaryPtr dictionary(new MkDictionary);
  for (int i = 0; i < count; ++i) dictionary->atPut(Txt(key(i).c_str()), i);
  for (int i = 0; i < count; i += 3) ASSERT_EQ(dictionary->removeKey(Txt(key(i).c_str())), 1);
  for (int i = 1; i < count; i += 3) dictionary->atPut(Txt(key(i).c_str()), -i);  // keeps place
  DictionaryPtr copied(dictionary->copy());
  DictionaryPtr merged(new MkDictionary);
  merged->merge_dict(dictionary.get());
  DictionaryPtr set(new MkDictionary);
  set->set_dict(dictionary.get());
  for (MkDictionary* d : {dictionary.get(), copied.get(), merged.get(), set.get()}) {
    ASSERT_EQ(d->length(), static_cast<unsigned int>(count - (count + 2) / 3));
    for (int i = 0; i < count; ++i) {
      MkDictionaryValue* entry = d->at(Txt(key(i).c_str()));
      if (i % 3 == 0) {
        ASSERT_EQ(entry, nullptr) << i;
        continue;
      }
      ASSERT_NE(entry, nullptr) << i;
      EXPECT_EQ(entry, d->at(static_cast<unsigned int>(i - i / 3 - 1))) << i;
      EXPECT_EQ(*static_cast<int*>(entry->get_value()), i % 3 == 1 ? -i : i);
    }
  }
}

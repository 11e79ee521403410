// The pad model and the chain behind a pad: view and bounds, desktop, pad
// manager and the undo buffer that deletes pads for good.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>

#include "SamplePads.h"
#include "mkcore/MkPadView.h"
#include "mkcore/MkSimplePad.h"
#include "mkres/MwMemory.h"

TEST(PadChain, EveryPadReachesTheOneUndoBufferOfTheDesktop) {
  PadPtr first(new MkSimplePad("First"));
  PadPtr second(new MkSimplePad("Second"));
  MkPadView* view = first->get_view();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(first->get_view(), view);
  EXPECT_NE(second->get_view(), view);

  MkDeskTop* desktop = view->GetDeskTop();
  EXPECT_EQ(desktop, MkDeskTop::Default());
  EXPECT_EQ(second->get_view()->GetDeskTop(), desktop);
  MkPadManager* manager = desktop->get_padmanager();
  ASSERT_NE(manager, nullptr);
  UndoBuffer* buffer = manager->getUndoBuffer();
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(MkDeskTop::Default()->get_padmanager()->getUndoBuffer(), buffer);
}

TEST(PadChain, RealDeletePadDeletesTheWaitingPadsAndCountsItsCalls) {
  UndoBuffer* buffer = MkDeskTop::Default()->get_padmanager()->getUndoBuffer();
  unsigned long calls = buffer->GetRealDeleteCalls();
  ASSERT_EQ(buffer->GetWaitingCount(), 0u);

  long before = MwLiveBlockCount();
  auto* removed = new MkSimplePad("Removed");
  removed->AddChild(new MkSimplePad("RemovedChild"));
  removed->GetAttributes()->atPut(Txt("name"), Txt("gone soon"));
  buffer->Hold(removed);
  buffer->Hold(new MkSimplePad("AlsoRemoved"));
  buffer->Hold(removed);  // held once, deleted once
  buffer->Hold(nullptr);
  EXPECT_EQ(buffer->GetWaitingCount(), 2u);
  EXPECT_GT(MwLiveBlockCount(), before);

  buffer->RealDeletePad();
  EXPECT_EQ(buffer->GetWaitingCount(), 0u);
  EXPECT_EQ(buffer->GetRealDeleteCalls(), calls + 1);
  EXPECT_EQ(MwLiveBlockCount(), before);

  buffer->RealDeletePad();  // nothing waiting: still counted
  EXPECT_EQ(buffer->GetRealDeleteCalls(), calls + 2);
}

TEST(PadChain, AnUndoBufferOfItsOwnDeletesWhatItHoldsWhenItGoes) {
  long before = MwLiveBlockCount();
  {
    UndoBuffer buffer;
    buffer.Hold(new MkSimplePad("Waiting"));
    EXPECT_EQ(buffer.GetRealDeleteCalls(), 0u);
  }
  EXPECT_EQ(MwLiveBlockCount(), before);
}

TEST(PadBounds, BoundsAreSetClearedAndSetAgain) {
  PadPtr pad(new MkSimplePad("Bounded"));
  MkPadView* view = pad->get_view();
  MwRectangle* bounds = view->GetBounds();
  ASSERT_NE(bounds, nullptr);
  EXPECT_EQ(bounds->X(), 0);
  EXPECT_EQ(bounds->Y(), 0);
  EXPECT_EQ(bounds->Width(), 0u);
  EXPECT_EQ(bounds->Height(), 0u);

  view->SetBounds(-12, INT_MAX, 640, 0xFFFFFFFFu);
  bounds = view->GetBounds();
  ASSERT_NE(bounds, nullptr);
  EXPECT_EQ(bounds->X(), -12);
  EXPECT_EQ(bounds->Y(), INT_MAX);
  EXPECT_EQ(bounds->Width(), 640u);
  EXPECT_EQ(bounds->Height(), 0xFFFFFFFFu);

  view->ClearBounds();
  EXPECT_EQ(view->GetBounds(), nullptr);
  view->SetBounds(1, 2, 3, 4);
  bounds = view->GetBounds();
  ASSERT_NE(bounds, nullptr);
  EXPECT_EQ(bounds->X(), 1);
  EXPECT_EQ(bounds->Height(), 4u);

  // A view made on its own has bounds too, on the desktop it was given.
  MkDeskTop desktop;
  MkPadView own(&desktop);
  EXPECT_EQ(own.GetDeskTop(), &desktop);
  ASSERT_NE(own.GetBounds(), nullptr);
  EXPECT_EQ(own.GetBounds()->Width(), 0u);
}

TEST(PadModel, APadOwnsItsClassNameAttributesAndChildren) {
  char name[] = "Named";
  PadPtr pad(new MkSimplePad(name));
  name[0] = 'X';
  EXPECT_STREQ(pad->GetClassName(), "Named");
  EXPECT_EQ(pad->GetAttributes()->length(), 0u);
  EXPECT_EQ(pad->GetChildCount(), 0u);
  EXPECT_EQ(pad->GetChild(0), nullptr);

  PadPtr unnamed(new MkSimplePad(nullptr));
  EXPECT_STREQ(unnamed->GetClassName(), "");

  auto* first = new MkSimplePad("A");
  auto* second = new MkSimplePad("B");
  pad->AddChild(first);
  pad->AddChild(second);
  pad->AddChild(nullptr);
  pad->AddChild(pad.get());  // a pad cannot own itself
  EXPECT_EQ(pad->GetChildCount(), 2u);
  EXPECT_EQ(pad->GetChild(0), first);
  EXPECT_EQ(pad->GetChild(1), second);
  EXPECT_EQ(pad->GetChild(2), nullptr);
  // The children go with the pad; the heap check after the test proves it.
}

TEST(PadModel, SameContentNoticesEveryKindOfDifference) {
  struct Change {
    const char* name;
    std::function<void(MkSimplePad*)> apply;
  };
  auto attribute = [](MkSimplePad* pad) { return pad->GetAttributes(); };
  auto nested = [](MkSimplePad* pad) {
    return *static_cast<MkDictionary**>(pad->GetAttributes()->at(Txt("nested"))->get_value());
  };
  const Change changes[] = {
      {"bounds", [](MkSimplePad* pad) { pad->get_view()->SetBounds(-40, 25, 640, 481); }},
      {"bounds cleared", [](MkSimplePad* pad) { pad->get_view()->ClearBounds(); }},
      {"bounds given",
       [](MkSimplePad* pad) { pad->GetChild(1)->get_view()->SetBounds(0, 0, 0, 0); }},
      {"string value", [&](MkSimplePad* pad) { attribute(pad)->atPut(Txt("empty"), Txt(" ")); }},
      {"bool value",
       [&](MkSimplePad* pad) { attribute(pad)->atPut(Txt("plaza"), static_cast<char>(1)); }},
      {"integer value", [&](MkSimplePad* pad) { attribute(pad)->atPut(Txt("min"), INT_MIN + 1); }},
      {"unsigned value",
       [&](MkSimplePad* pad) {
         unsigned long id = 4294967294ul;
         attribute(pad)->atPut(Txt("id"), &id, kMkTypeUnsigned);
       }},
      {"negative zero",
       [&](MkSimplePad* pad) { attribute(pad)->atPut(Txt("negative zero"), 0.0); }},
      {"type, same number",
       [&](MkSimplePad* pad) { attribute(pad)->atPut(Txt("max"), 2147483647.0); }},
      {"entry removed", [&](MkSimplePad* pad) { attribute(pad)->removeKey(Txt("plaza")); }},
      {"entry added", [&](MkSimplePad* pad) { attribute(pad)->atPut(Txt("more"), 1); }},
      {"order",
       [&](MkSimplePad* pad) {
         attribute(pad)->removeKey(Txt("simage"));
         attribute(pad)->atPut(Txt("simage"), static_cast<char>(1));
       }},
      {"nested value", [&](MkSimplePad* pad) { nested(pad)->atPut(Txt("count"), -8); }},
      {"nested entry added", [&](MkSimplePad* pad) { nested(pad)->atPut(Txt("more"), 1); }},
      {"grandchild attribute",
       [](MkSimplePad* pad) {
         pad->GetChild(0)->GetChild(0)->GetAttributes()->atPut(Txt("label"), Txt("other"));
       }},
      {"child added", [](MkSimplePad* pad) { pad->GetChild(1)->AddChild(new MkSimplePad("")); }},
  };
  PadPtr reference = BuildSamplePad();
  {
    PadPtr same = BuildSamplePad();
    EXPECT_TRUE(reference->SameContent(same.get()));
    EXPECT_TRUE(same->SameContent(reference.get()));
  }
  EXPECT_TRUE(reference->SameContent(reference.get()));
  EXPECT_FALSE(reference->SameContent(nullptr));
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    PadPtr changed = BuildSamplePad();
    change.apply(changed.get());
    EXPECT_FALSE(reference->SameContent(changed.get()));
    EXPECT_FALSE(changed->SameContent(reference.get()));
  }
}

TEST(PadModel, SameContentComparesClassNamesAndChildrenToTheLeaves) {
  PadPtr a(new MkSimplePad("A"));
  PadPtr b(new MkSimplePad("B"));
  PadPtr otherA(new MkSimplePad("A"));
  EXPECT_FALSE(a->SameContent(b.get()));
  EXPECT_TRUE(a->SameContent(otherA.get()));

  a->AddChild(new MkSimplePad("C"));
  EXPECT_FALSE(a->SameContent(otherA.get()));
  EXPECT_FALSE(otherA->SameContent(a.get()));
  otherA->AddChild(new MkSimplePad("D"));
  EXPECT_FALSE(a->SameContent(otherA.get()));

  PadPtr c(new MkSimplePad("A"));
  c->AddChild(new MkSimplePad("C"));
  EXPECT_TRUE(a->SameContent(c.get()));
  a->GetChild(0)->AddChild(new MkSimplePad("leaf"));
  c->GetChild(0)->AddChild(new MkSimplePad("Leaf"));
  EXPECT_FALSE(a->SameContent(c.get()));
}

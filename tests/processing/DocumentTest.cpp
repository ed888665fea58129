#include <gtest/gtest.h>

#include "TestSupport.h"
#include "processing/TWorkspace.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class DocumentTest : public CoreFixture {
protected:
    TWorkspace space;

    TUnitWave& monoDoc(const std::vector<int>& samples, int freq = 44100) {
        auto unit = std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), freq, 2), "a.wav");
        return space.AddWave(std::move(unit));
    }
    TUnitWave& stereoDoc(const std::vector<int>& l, const std::vector<int>& r, int freq = 44100) {
        auto unit =
            std::make_unique<TUnitWave>(std::make_unique<StereoSound>(makeWave(l), makeWave(r), freq, 2), "s.wav");
        return space.AddWave(std::move(unit));
    }
    static std::vector<int> left(const TUnitWave& d) { return samplesOf(d.TheSound->GetLeft()); }
};

TEST_F(DocumentTest, DeleteWithoutSelectionEmptiesTheDocumentWithACursorAtZero) {
    auto& d = monoDoc({1, 2, 3});
    d.SetCursor(2);
    ASSERT_TRUE(d.EditDelete());
    EXPECT_EQ(d.GetValues(), 0);
    EXPECT_EQ(d.FirstSel, 0);
    EXPECT_EQ(d.SecondSel, 0);
}

TEST_F(DocumentTest, DeleteOfASelectionLeavesACursorAtItsBegin) {
    auto& d = monoDoc({1, 2, 3, 4, 5});
    d.SetRange(1, 3);
    ASSERT_TRUE(d.EditDelete());
    EXPECT_EQ(left(d), (std::vector<int>{1, 4, 5}));
    EXPECT_EQ(d.FirstSel, 1);
    EXPECT_EQ(d.SecondSel, 1);
}

TEST_F(DocumentTest, TrimKeepsTheSelectionAndSelectsAllOfIt) {
    auto& d = monoDoc({1, 2, 3, 4, 5});
    ASSERT_TRUE(d.EditTrim());
    EXPECT_EQ(left(d), (std::vector<int>{1, 2, 3, 4, 5}));
    d.SetRange(1, 3);
    ASSERT_TRUE(d.EditTrim());
    EXPECT_EQ(left(d), (std::vector<int>{2, 3}));
    EXPECT_EQ(d.SelBegin(), 0);
    EXPECT_EQ(d.SelEnd(), 2);
}

TEST_F(DocumentTest, PasteOfASlowerClipboardSelectsTheConvertedLength) {
    auto& d = monoDoc(std::vector<int>(10, 0), 44100);
    space.Clipboard = std::make_unique<MonoSound>(makeWave(std::vector<int>(1000, 7)), 22050, 2);
    d.SetCursor(4);
    ASSERT_TRUE(d.EditPaste(*space.Clipboard));
    EXPECT_EQ(d.GetValues(), 2010);
    EXPECT_EQ(d.SelBegin(), 4);
    EXPECT_EQ(d.SelEnd(), 2004);
}

TEST_F(DocumentTest, CutCopySwapAndExtractUseTheClipboard) {
    auto& d = monoDoc({1, 2, 3, 4, 5});
    d.SetRange(1, 3);
    ASSERT_TRUE(d.EditCopy(space.Clipboard));
    EXPECT_EQ(samplesOf(space.Clipboard->GetLeft()), (std::vector<int>{2, 3}));
    EXPECT_EQ(left(d), (std::vector<int>{1, 2, 3, 4, 5}));

    d.SetRange(3, 5);
    ASSERT_TRUE(d.EditSwap(space.Clipboard));
    EXPECT_EQ(left(d), (std::vector<int>{1, 2, 3, 2, 3}));
    EXPECT_EQ(samplesOf(space.Clipboard->GetLeft()), (std::vector<int>{4, 5}));
    EXPECT_EQ(d.SelBegin(), 3);
    EXPECT_EQ(d.SelEnd(), 5);

    d.SetRange(0, 2);
    ASSERT_TRUE(d.EditExtract(space.Clipboard));
    EXPECT_EQ(left(d), (std::vector<int>{0, 0, 3, 2, 3}));
    EXPECT_EQ(samplesOf(space.Clipboard->GetLeft()), (std::vector<int>{1, 2}));
    EXPECT_EQ(d.SelEnd(), 2);  // extract leaves the selection

    d.SetRange(2, 4);
    ASSERT_TRUE(d.EditCut(space.Clipboard));
    EXPECT_EQ(left(d), (std::vector<int>{0, 0, 3}));
    EXPECT_EQ(samplesOf(space.Clipboard->GetLeft()), (std::vector<int>{3, 2}));
    EXPECT_FALSE(d.HasSelection());
    EXPECT_EQ(d.FirstSel, 2);
}

TEST_F(DocumentTest, MixAlignsAtBeginEndOrStretchesOverTheRange) {
    auto clip = std::make_unique<MonoSound>(makeWave({10, 20, 30}), 44100, 2);
    auto& d = monoDoc({1, 1, 1, 1, 1});
    d.SetRange(1, 3);
    ASSERT_TRUE(d.EditMix(*clip, MixAlign::Begin));
    EXPECT_EQ(left(d), (std::vector<int>{1, 11, 21, 1, 1}));
    ASSERT_TRUE(d.EditMix(*clip, MixAlign::End));
    EXPECT_EQ(left(d), (std::vector<int>{1, 31, 51, 1, 1}));
    EXPECT_EQ(d.SelBegin(), 1);
    EXPECT_EQ(d.SelEnd(), 3);
    d.SetCursor(4);
    ASSERT_TRUE(d.EditMix(*clip, MixAlign::Begin));  // an insertion point takes all of it
    EXPECT_EQ(left(d), (std::vector<int>{1, 31, 51, 1, 11, 20, 30}));
    auto& e = monoDoc({0, 0, 0, 0});
    e.SetRange(0, 3);
    ASSERT_TRUE(e.EditMix(*clip, MixAlign::Stretch));
    EXPECT_EQ(left(e), (std::vector<int>{10, 15, 20, 0}));
}

TEST_F(DocumentTest, UndoTwiceIsRedoAndDeleteUndoKeepsTheCurrentSound) {
    auto& d = monoDoc({1, 2, 3});
    d.SetRange(0, 1);
    space.NewUndo(d);
    ASSERT_TRUE(d.EditDelete());
    std::weak_ptr<Sound> afterCommand = d.TheSound;
    space.Undo();
    EXPECT_EQ(left(d), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(d.SelBegin(), 0);
    EXPECT_EQ(d.SelEnd(), 1);
    space.Undo();
    EXPECT_EQ(left(d), (std::vector<int>{2, 3}));
    EXPECT_FALSE(d.HasSelection());
    space.Undo();
    // Delete Undo after one Undo frees the sound the command made.
    space.DeleteUndo();
    EXPECT_TRUE(afterCommand.expired());
    EXPECT_EQ(left(d), (std::vector<int>{1, 2, 3}));
    space.Undo();  // nothing to undo
    EXPECT_EQ(left(d), (std::vector<int>{1, 2, 3}));
}

TEST_F(DocumentTest, ACommandOnAnotherDocumentTakesTheUndoStepAndClosingReleasesIt) {
    auto& a = monoDoc({1, 2});
    auto& b = monoDoc({5, 6});
    space.NewUndo(b);
    ASSERT_TRUE(b.EditDelete());
    space.NewUndo(a);
    ASSERT_TRUE(a.EditDelete());
    space.Undo();
    EXPECT_EQ(left(a), (std::vector<int>{1, 2}));
    EXPECT_EQ(b.GetValues(), 0);
    space.Close(a);
    EXPECT_FALSE(space.HasUndo());
}

TEST_F(DocumentTest, StereoAt22050ToMonoAt44100AveragesDoublesSamplesAndSelection) {
    auto& d = stereoDoc({100, 300, 500}, {300, 500, 700}, 22050);
    d.SetRange(1, 2);
    WaveFileProps oldProps = d.GetProps(), newProps;
    newProps.SampleFreq = 44100;
    newProps.MonoStereo = 1;
    newProps.BytesPSample = 2;
    d.ChangeProperties(oldProps, newProps);
    EXPECT_EQ(d.GetMoSt(), 1);
    EXPECT_EQ(d.GetFreq(), 44100);
    EXPECT_EQ(left(d), (std::vector<int>{200, 300, 400, 500, 600, 600}));
    EXPECT_EQ(d.SelBegin(), 2);
    EXPECT_EQ(d.SelEnd(), 4);
}

TEST_F(DocumentTest, UndoOfAWidthChangeGivesTheOldWidthBack) {
    auto& d = monoDoc({1, 2});
    WaveFileProps oldProps = d.GetProps(), newProps = oldProps;
    newProps.BytesPSample = 1;
    space.NewUndo(d);
    d.ChangeProperties(oldProps, newProps);
    EXPECT_EQ(d.GetBytesPSample(), 1);
    space.Undo();
    EXPECT_EQ(d.GetBytesPSample(), 2);
}

TEST_F(DocumentTest, AFailedAllocationLeavesTheDocumentAsItWasAndReportsOnce) {
    auto& d = stereoDoc({1, 2, 3}, {4, 5, 6});
    d.SetRange(1, 2);
    space.NewUndo(d);
    std::shared_ptr<Sound> before = d.TheSound;
    allocation_testing::failAllocationsAbove(1);
    EXPECT_FALSE(d.EditDelete());
    EXPECT_TRUE(d.Failed);
    EXPECT_EQ(d.TheSound, before);
    EXPECT_EQ(d.SelBegin(), 1);
    EXPECT_EQ(d.SelEnd(), 2);
    EXPECT_EQ(memoryMessages(), 1);
    // The flag stays set: later commands leave the sound alone without a new message.
    allocation_testing::reset();
    EXPECT_FALSE(d.EditTrim());
    EXPECT_EQ(d.TheSound, before);
    EXPECT_EQ(memoryMessages(), 1);
    // Undo still works, and the step of a failed command holds the current sound.
    space.DeleteUndo();
    EXPECT_EQ(left(d), (std::vector<int>{1, 2, 3}));
}

TEST_F(DocumentTest, NamesAreUniqueAmongOpenDocumentsAndEmptyIsAlwaysAccepted) {
    auto& a = monoDoc({1});
    auto& b = monoDoc({2});
    EXPECT_TRUE(space.SetName(a, "drum"));
    EXPECT_FALSE(space.SetName(b, "drum"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].text, "A wave with name \"drum\" already exists.");
    EXPECT_EQ(b.Name, "");
    EXPECT_TRUE(space.SetName(a, "drum"));  // its own name again
    EXPECT_TRUE(space.SetName(b, ""));
    EXPECT_TRUE(space.SetName(a, ""));
    EXPECT_TRUE(space.SetName(b, ""));
    EXPECT_EQ(space.FindWave(""), nullptr);
    ASSERT_TRUE(space.SetName(b, "snare"));
    EXPECT_EQ(space.FindWave("snare"), &b);
    EXPECT_EQ(space.FindWave("Snare"), nullptr);
    EXPECT_EQ(space.NextNewName(), "NONAME1");
    EXPECT_EQ(space.NextNewName(), "NONAME2");
}

TEST_F(DocumentTest, StatesAndStatusTexts) {
    WaveFileProps props;
    auto& d = space.AddWave(std::make_unique<TUnitWave>(props, ""));
    EXPECT_EQ(d.StateText(), "New");
    EXPECT_FALSE(d.NeedsSaving());  // nothing to lose yet
    d.MarkChanged();
    EXPECT_EQ(d.State, unitStateNew);
    auto& o = monoDoc({1}, 5512);
    EXPECT_EQ(o.StateText(), "");
    o.MarkChanged();
    EXPECT_EQ(o.StateText(), "Changed");
    EXPECT_TRUE(o.NeedsSaving());
    EXPECT_EQ(o.FrequencyText(), "5.512 kHz");
    EXPECT_EQ(d.FrequencyText(), "44.100 kHz");
    EXPECT_EQ(o.ChannelsText(), "MO");
    EXPECT_EQ(d.ChannelsText(), "ST");
    EXPECT_EQ(d.BitsText(), "16");
}

}  // namespace

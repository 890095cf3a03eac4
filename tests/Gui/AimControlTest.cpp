// The aim button and its pop-up: an aim drag routes the modulator to the parameter it is
// dropped on (nothing when dropped on the background), the look follows the modulator's
// use, and the pop-up lists, deletes (with undo) and closes.
#include "Gui/AimControl.h"
#include "Gui/AimHost.h"
#include "Gui/AimOverlay.h"
#include "Gui/GuiTestSupport.h"
#include "Gui/ModPopup.h"
#include "Common/wrappers/BaseListControl.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
constexpr int kModulator = 3;
constexpr CCoord kAimLeft = 300, kAimTop = 200, kAimSize = 16;
const CPoint kAimCentre(kAimLeft + 8, kAimTop + 8);
const CPoint kKnobCentre(60, 60);
const CRect kAimRect(kAimLeft, kAimTop, kAimLeft + kAimSize, kAimTop + kAimSize);

CBitmap* MakeBitmap(CCoord width, CCoord height, const std::vector<std::pair<CRect, CColor>>& fills)
{
    auto* bitmap = new CBitmap(width, height);
    CDrawContext context(bitmap);
    for (const auto& [rect, color] : fills)
    {
        context.setFillColor(color);
        context.drawRect(rect, kDrawFilled);
    }
    return bitmap;
}

class CTestAimHost : public IAimHost
{
public:
    explicit CTestAimHost(CFrame* frame) : m_frame(frame) {}
    int GetHoverParamID() const override
    {
        CPoint where;
        m_frame->getCurrentMouseLocation(where);
        const CControl* control = AimOverlay::FindParameterControlAt(m_frame, where);
        return control ? static_cast<int>(control->getTag()) : -1;
    }
    void ShowModulation(int id, int slot) override { m_shown.emplace_back(id, slot); }
    void RedrawFrame() override { ++m_redraws; }

    CFrame* m_frame;
    std::vector<std::pair<int, int>> m_shown;
    int m_redraws = 0;
};

const CColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255), kYellow(255, 255, 0);

class CAimControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        // A parameter's control inside a nested container (as the editor's pages are).
        auto* page = new CViewContainer(CRect(20, 20, 120, 120));
        page->addView(new CControl(CRect(30, 30, 50, 50), nullptr, kFilterCutoff));
        // A control that is no parameter (a page switch), at (80, 110)-(100, 130).
        page->addView(new CControl(CRect(60, 90, 80, 110), nullptr, kNumParameters + 5));
        m_frame.addView(page);
        AIM_BUTTON_ART art;
        for (CBitmap*& look : m_looks)
            look = MakeBitmap(kAimSize, 2 * kAimSize, {});
        art.disabled = m_looks[0], art.normal = m_looks[1], art.tremolo = m_looks[2];
        MOD_POPUP_ART popupArt;
        // Header red, the blank row green, the bottom edge blue; the row fill yellow.
        popupArt.frame = MakeBitmap(300, 116, {{CRect(0, 0, 300, 79), kRed},
                                               {CRect(0, 79, 300, 102), kGreen},
                                               {CRect(0, 102, 300, 116), kBlue}});
        popupArt.rowFill = MakeBitmap(300, 23, {{CRect(0, 0, 300, 23), kYellow}});
        popupArt.powerButton = MakeBitmap(18, 36, {});
        popupArt.deleteButton = MakeBitmap(16, 32, {});
        m_aim = new CAimControl(m_effect, &m_host, kAimRect, kModulator, art, popupArt,
                                &m_rowListener, nullptr);
        for (CBitmap* bitmap : {art.normal, art.tremolo, art.disabled, popupArt.frame,
                                popupArt.rowFill, popupArt.powerButton, popupArt.deleteButton})
            bitmap->forget();
        m_frame.addView(m_aim);
    }
    void TearDown() override { m_frame.close(); }

    void Route(int slot, int source, int target, float depth = 20.0f)
    {
        GuiTest::Route(m_effect, slot, source, target, depth);
    }
    std::vector<float> Matrix() const
    {
        std::vector<float> values;
        for (int id = kMtxPower; id < kMtxTarget + kNumMatrixSlots; ++id)
            values.push_back(Scaled(m_effect, id));
        return values;
    }
    void Click(const CPoint& where, long buttons = kLButton)
    {
        m_frame.platformOnMouseDown(where, buttons, m_time += 1000);
        m_frame.platformOnMouseUp(where, buttons);
    }
    void AimDrag(const CPoint& drop)
    {
        m_frame.platformOnMouseDown(kAimCentre, kLButton, m_time += 1000);
        EXPECT_TRUE(m_aim->IsAiming());
        m_frame.platformOnMouseMoved(CPoint(200, 150), kLButton);
        m_frame.platformOnMouseMoved(drop, kLButton);
        EXPECT_TRUE(m_aim->IsAiming());
        m_frame.platformOnMouseUp(drop, kLButton);
        EXPECT_FALSE(m_aim->IsAiming());
    }

    CPluginInstance m_plugin;
    CMorvex* m_effect = m_plugin.Effect();
    CFrame m_frame{CRect(0, 0, 400, 400), nullptr};
    CTestAimHost m_host{&m_frame};
    CModEditorHost m_rowListener; // the editor's side of the pop-up's rows
    CAimControl* m_aim = nullptr;
    CBitmap* m_looks[3] = {}; // disabled, normal, tremolo
    uint32_t m_time = 0;
};
} // namespace

TEST_F(CAimControlTest, ADropRoutesTheModulatorToTheParameterUnderItAndNothingElsewhere)
{
    const std::vector<float> before = Matrix();
    AimDrag(CPoint(250, 350)); // empty background: nothing, and the line is erased
    AimDrag(CPoint(90, 120));  // a control that is no parameter: nothing either
    EXPECT_EQ(before, Matrix());
    EXPECT_EQ(0, m_effect->GetUndoCount());
    EXPECT_TRUE(m_host.m_shown.empty());
    EXPECT_EQ(2, m_host.m_redraws);

    // Slot 1 already modulates the cutoff; slot 0 is free and takes the new routing.
    Route(1, 0, kFilterCutoff);
    AimDrag(kKnobCentre);
    EXPECT_FLOAT_EQ(kModulator, Unscaled(m_effect, kMtxSource + 0));
    EXPECT_FLOAT_EQ(kFilterCutoff, Unscaled(m_effect, kMtxTarget + 0));
    EXPECT_NE(0.0f, Unscaled(m_effect, kMtxDepth + 0));
    EXPECT_EQ(1, m_effect->GetUndoCount());
    // The control is told to show the new slot, not the one it had.
    EXPECT_EQ((std::vector<std::pair<int, int>>{{kFilterCutoff, 0}}), m_host.m_shown);
    EXPECT_EQ(3, m_host.m_redraws);
    EXPECT_EQ(CAimControl::kLookNormal, m_aim->GetLook());
}

TEST_F(CAimControlTest, LookFollowsTheModulatorsUse)
{
    struct CASE
    {
        const char* name;
        int slotSource;    // source of slot 5 (-1: empty)
        float tremoloScaled;
        CAimControl::LOOK look;
    };
    const CASE cases[] = {
        {"unused", -1, 0.0f, CAimControl::kLookDisabled},
        {"another modulator's slot", kModulator - 1, 0.0f, CAimControl::kLookDisabled},
        {"routed", kModulator, 0.0f, CAimControl::kLookNormal},
        {"tremolo", -1, 0.4f, CAimControl::kLookTremolo},
        {"tremolo and routed", kModulator, 0.4f, CAimControl::kLookTremolo},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        Route(5, c.slotSource, kFilterRes);
        m_effect->SetParameterScaled(kModTremolo + kModulator, c.tremoloScaled);
        m_aim->Idle();
        EXPECT_EQ(c.look, m_aim->GetLook());
        EXPECT_EQ(m_looks[c.look == CAimControl::kLookDisabled  ? 0
                          : c.look == CAimControl::kLookNormal ? 1
                                                               : 2],
                  m_aim->getBackground());
    }
}

TEST_F(CAimControlTest, ContextClickOpensThePopupWithOneRowPerSlotOfTheModulator)
{
    Route(2, kModulator, kFilterCutoff);
    Route(4, 1, kFilterRes);
    Route(5, kModulator, kDelayMix, -50.0f);
    for (const long buttons : {long(kRButton), long(kLButton | kApple)})
    {
        Click(kAimCentre, buttons);
        EXPECT_FALSE(m_aim->IsAiming());
        ASSERT_TRUE(m_aim->IsPopupOpen());
        CModPopup* popup = m_aim->GetPopup();
        ASSERT_EQ(2, popup->GetRowCount());
        const CRect& size = popup->getViewSize();
        EXPECT_EQ(116 + 2 * 23, size.getHeight()) << "the frame art and one fill per row";
        const int slots[] = {2, 5};
        for (int row = 0; row < 2; ++row)
        {
            const int s = slots[row];
            EXPECT_EQ(kMtxPower + s, popup->GetPowerButton(row)->getTag());
            EXPECT_EQ(kMtxTarget + s, popup->GetTargetList(row)->getTag());
            EXPECT_EQ(kMtxDepth + s, popup->GetDepthList(row)->getTag());
            EXPECT_FALSE(popup->GetDepthList(row)->IsMenuEnabled());
            EXPECT_EQ(10000 + s, popup->GetDeleteButton(row)->getTag());
            // Rows live in the frame, above the pop-up, within it.
            EXPECT_EQ(&m_frame, popup->GetTargetList(row)->getParentView());
            EXPECT_TRUE(size.pointInside(popup->GetDeleteButton(row)->getViewSize().getCenter()));
            EXPECT_FLOAT_EQ(Scaled(m_effect, kMtxDepth + s),
                            popup->GetDepthList(row)->getValue());
        }
        // Background: header, one fill per row, then the frame's lower part.
        const CCoord x = size.left + 5;
        EXPECT_EQ(0xff0000u, PixelAt(m_frame, x, size.top + 10));
        EXPECT_EQ(0xffff00u, PixelAt(m_frame, x, size.top + 79 + 23 + 10));
        EXPECT_EQ(0x00ff00u, PixelAt(m_frame, x, size.top + 79 + 2 * 23 + 10));
        EXPECT_EQ(0x0000ffu, PixelAt(m_frame, x, size.bottom - 5));

        // A press on the background closes it.
        Click(CPoint(x, size.top + 10));
        EXPECT_FALSE(m_aim->IsPopupOpen());
        EXPECT_EQ(0, popup->GetRowCount());
        EXPECT_EQ(nullptr, m_frame.getViewAt(CPoint(size.left + 100, size.top + 85), true));
    }
}

TEST_F(CAimControlTest, PopupDeleteEmptiesTheSlotAndUndoBringsItBack)
{
    Route(2, kModulator, kFilterCutoff);
    Route(5, kModulator, kDelayMix, -50.0f);
    m_effect->SetParameterScaled(kMtxPower + 5, 0.0f);
    const std::vector<float> routed = Matrix();
    Click(kAimCentre, kRButton);
    CModPopup* popup = m_aim->GetPopup();
    ASSERT_EQ(2, popup->GetRowCount());
    const int undoBefore = m_effect->GetUndoCount();

    Click(popup->GetDeleteButton(1)->getViewSize().getCenter());
    EXPECT_EQ(undoBefore + 1, m_effect->GetUndoCount());
    EXPECT_FLOAT_EQ(-1.0f, Unscaled(m_effect, kMtxSource + 5));
    EXPECT_FLOAT_EQ(-1.0f, Unscaled(m_effect, kMtxTarget + 5));
    EXPECT_FLOAT_EQ(0.0f, Unscaled(m_effect, kMtxDepth + 5));
    EXPECT_FLOAT_EQ(1.0f, Scaled(m_effect, kMtxPower + 5));
    EXPECT_FLOAT_EQ(kModulator, Unscaled(m_effect, kMtxSource + 2));
    // Rebuilt at the next idle, not under the press.
    EXPECT_TRUE(popup->IsRebuildPending());
    EXPECT_EQ(2, popup->GetRowCount());
    m_aim->Idle();
    EXPECT_FALSE(popup->IsRebuildPending());
    EXPECT_TRUE(m_aim->IsPopupOpen());
    EXPECT_EQ(1, popup->GetRowCount());
    EXPECT_EQ(10002, popup->GetDeleteButton(0)->getTag());
    EXPECT_EQ(116 + 23, popup->getViewSize().getHeight());

    m_effect->Undo();
    EXPECT_EQ(routed, Matrix());

    // A slot taken over by another modulator meanwhile (on the matrix page) is left alone.
    m_aim->Idle();
    Route(2, 6, kFilterCutoff);
    const std::vector<float> before = Matrix();
    Click(popup->GetDeleteButton(0)->getViewSize().getCenter());
    EXPECT_EQ(before, Matrix());
    m_aim->Idle();
    EXPECT_EQ(1, popup->GetRowCount());
}

TEST(AimControlLifetime, OpenPopupAndItsRowsAreReleasedWithTheFrame)
{
    CPluginInstance plugin;
    CMorvex* effect = plugin.Effect();
    GuiTest::Route(effect, 7, kModulator, kFilterCutoff, 0.0f);
    const long before = CBaseObject::GetLiveObjectCount();
    {
        CFrame frame(CRect(0, 0, 400, 400), nullptr);
        ASSERT_TRUE(frame.openOffscreen(1.0));
        CModEditorHost listener;
        MOD_POPUP_ART popupArt;
        popupArt.frame = MakeBitmap(300, 116, {});
        popupArt.rowFill = MakeBitmap(300, 23, {});
        auto* aim = new CAimControl(effect, nullptr, kAimRect, kModulator, AIM_BUTTON_ART(),
                                    popupArt, &listener, nullptr);
        popupArt.frame->forget();
        popupArt.rowFill->forget();
        frame.addView(aim);
        frame.platformOnMouseDown(kAimCentre, kRButton, 1000);
        ASSERT_EQ(1, aim->GetPopup()->GetRowCount());
        frame.close();
    }
    EXPECT_EQ(before, CBaseObject::GetLiveObjectCount());
}

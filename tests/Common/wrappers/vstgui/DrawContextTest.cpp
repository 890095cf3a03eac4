#include "ToolkitTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace VSTGUI;
using namespace ToolkitTest;

namespace
{
// A view that runs a drawing function (in its parent's coordinates).
class CPainterView : public CView
{
public:
    CPainterView(const CRect& size, std::function<void(CDrawContext*, const CRect&)> painter)
        : CView(size), m_painter(std::move(painter))
    {
    }
    void draw(CDrawContext* context) override { m_painter(context, getViewSize()); }

private:
    std::function<void(CDrawContext*, const CRect&)> m_painter;
};

const CColor kPanel(0x25, 0x29, 0x2F);

class CDrawContextTest : public ::testing::Test
{
protected:
    // Paints `painter` in a view at `where` inside a nested container, on a panel background.
    void Paint(double scale, const CRect& where,
               std::function<void(CDrawContext*, const CRect&)> painter)
    {
        m_frame = new CFrame(CRect(0, 0, 120, 80), nullptr);
        m_frame->setBackgroundColor(kPanel);
        auto* container = new CViewContainer(CRect(10, 10, 110, 70));
        container->setBackgroundColor(kPanel);
        container->addView(new CPainterView(where, std::move(painter)));
        m_frame->addView(container);
        ASSERT_TRUE(m_frame->openOffscreen(scale));
    }
    void TearDown() override
    {
        if (m_frame != nullptr)
            m_frame->forget();
    }
    CFrame* m_frame = nullptr;
};
} // namespace

TEST_F(CDrawContextTest, FilledRectHasItsColourAndStaysInside)
{
    Paint(1.0, CRect(10, 10, 30, 20),
          [](CDrawContext* context, const CRect& r)
          {
              context->setFillColor(kRedCColor);
              context->drawRect(r, kDrawFilled);
          });
    // View 10..30 x 10..20 in a container at 10,10: frame pixels 20..39 x 20..29.
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 30, 25), kRedCColor));
    EXPECT_EQ(CountDifferent(*m_frame, 0, 0, 120, 80, kPanel), 20 * 10);
}

TEST_F(CDrawContextTest, OnePixelLinesAreCrispAtOneX)
{
    Paint(1.0, CRect(0, 0, 100, 60),
          [](CDrawContext* context, const CRect&)
          {
              context->setFrameColor(kWhiteCColor);
              context->setLineWidth(1.0);
              context->drawLine(CPoint(10, 20), CPoint(50, 20));
              context->drawRect(CRect(60, 10, 80, 30), kDrawStroked);
          });
    // A horizontal line at y = 20 covers exactly one row of full white pixels.
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 30, 30), kWhiteCColor));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 30, 29), kPanel));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 30, 31), kPanel));
    // The rectangle's outline is its outermost pixels.
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 70, 20), kWhiteCColor));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 89, 39), kWhiteCColor));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 80, 30), kPanel));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 90, 40), kPanel));
}

TEST_F(CDrawContextTest, ArcsRunClockwiseFromStartToEndInsideTheirBox)
{
    // Box 20..60 x 10..50 in the container: frame pixels 30..70 x 20..60. Angles clockwise
    // from twelve o'clock: -140..140 leaves a gap at six; 0..90 is the upper right quarter.
    for (bool quarter : {false, true})
    {
        SCOPED_TRACE(quarter ? "0..90" : "-140..140");
        Paint(1.0, CRect(20, 10, 60, 50),
              [quarter](CDrawContext* context, const CRect& r)
              {
                  context->setFrameColor(kWhiteCColor);
                  context->setLineWidth(quarter ? 2.0 : 3.0);
                  context->drawArc(r, quarter ? 0 : -140, quarter ? 90 : 140, kDrawStroked);
                  context->drawArc(r, 200, 200, kDrawStroked); // empty
              });
        const int total = CountDifferent(*m_frame, 0, 0, 120, 80, kPanel, 0);
        EXPECT_EQ(CountDifferent(*m_frame, 30, 20, 70, 60, kPanel, 0), total);
        if (quarter)
        {
            EXPECT_GT(CountDifferent(*m_frame, 50, 20, 70, 40, kPanel, 0), 20);
            EXPECT_EQ(CountDifferent(*m_frame, 30, 20, 49, 60, kPanel, 0), 0);
            EXPECT_EQ(CountDifferent(*m_frame, 50, 41, 70, 60, kPanel, 0), 0);
        }
        else
        {
            EXPECT_GT(total, 100);
            EXPECT_EQ(CountDifferent(*m_frame, 46, 55, 54, 60, kPanel, 0), 0); // six o'clock
            EXPECT_GT(CountDifferent(*m_frame, 46, 20, 54, 24, kPanel, 0), 0); // twelve o'clock
        }
        m_frame->forget();
        m_frame = nullptr;
    }
}

TEST_F(CDrawContextTest, TextInksItsRectangleOnly)
{
    Paint(1.0, CRect(5, 5, 95, 25),
          [](CDrawContext* context, const CRect& r)
          {
              CFontDesc* font = new CFontDesc("Arial", 12, kBoldFace);
              context->setFont(font);
              font->forget();
              context->setFontColor(kWhiteCColor);
              context->drawString("Filter Cutoff 1000 Hz, a long text clipped", r, kLeftText);
              EXPECT_GT(context->getStringWidth("Wide"), context->getStringWidth("i"));
          });
    const int total = CountDifferent(*m_frame, 0, 0, 120, 80, kPanel);
    EXPECT_GT(total, 80);
    EXPECT_EQ(CountDifferent(*m_frame, 15, 15, 105, 35, kPanel), total);
}

TEST_F(CDrawContextTest, PathsFillWhatTheyEnclose)
{
    Paint(1.0, CRect(0, 0, 100, 60),
          [](CDrawContext* context, const CRect&)
          {
              CGraphicsPath* path = context->createGraphicsPath();
              path->beginSubpath(CPoint(10, 50));
              path->addLine(CPoint(10, 10));
              path->addBezierCurve(CPoint(30, 0), CPoint(50, 0), CPoint(70, 10));
              path->addLine(CPoint(70, 50));
              path->closeSubpath();
              context->setFillColor(kGreenCColor);
              context->drawGraphicsPath(path, CDrawContext::kPathFilled);
              path->forget();
          });
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 50, 40), kGreenCColor));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 15, 15), kPanel)); // above the curve's start
}

TEST_F(CDrawContextTest, ClipAndStateComeBackAfterRestore)
{
    Paint(1.0, CRect(0, 0, 100, 60),
          [](CDrawContext* context, const CRect&)
          {
              context->saveGlobalState();
              context->setClipRect(CRect(0, 0, 10, 10));
              context->setFillColor(kRedCColor);
              context->setGlobalAlpha(0.5f);
              context->drawRect(CRect(0, 0, 50, 50), kDrawFilled);
              context->restoreGlobalState();
              EXPECT_FLOAT_EQ(context->getGlobalAlpha(), 1.0f);
              context->setFillColor(kBlueCColor);
              context->drawRect(CRect(60, 0, 70, 10), kDrawFilled);
          });
    EXPECT_EQ(CountDifferent(*m_frame, 10, 10, 20, 20, kPanel), 100); // red only in the clip
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 21, 21), kPanel));
    const PIXEL half = PixelAt(*m_frame, 12, 12);
    EXPECT_NEAR(half.red, (255 + 0x25) / 2, 3); // half covered
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 75, 15), kBlueCColor));
}

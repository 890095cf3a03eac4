#include "Common/wrappers/ActionStack.h"

#include "Common/wrappers/BaseEffect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Logs its executions and its destruction under its own number.
class CLoggingItem : public IActionItem
{
public:
    CLoggingItem(int number, std::vector<std::string>& log) : m_number(number), m_log(log) {}
    ~CLoggingItem() override { m_log.push_back("~" + std::to_string(m_number)); }
    void Exectute() override { m_log.push_back("x" + std::to_string(m_number)); }

private:
    int m_number;
    std::vector<std::string>& m_log;
};

// Records a new item while it executes, as an undo that changes parameters
// through paths that record undo steps could.
class CRecordingItem : public IActionItem
{
public:
    CRecordingItem(CActionStack& stack, std::vector<std::string>& log) : m_stack(stack), m_log(log)
    {
    }
    void Exectute() override { m_stack.AddActionItem(new CLoggingItem(99, m_log)); }

private:
    CActionStack& m_stack;
    std::vector<std::string>& m_log;
};

using Log = std::vector<std::string>;

class CActionStackTest : public ::testing::Test
{
protected:
    Log TakeLog()
    {
        Log log;
        log.swap(m_log);
        return log;
    }
    Log m_log;
    CActionStack m_stack{nullptr, 50};
};
} // namespace

TEST_F(CActionStackTest, UndoAndRedoMoveItemsBetweenTheLists)
{
    for (int i = 1; i <= 3; ++i)
        m_stack.AddActionItem(new CLoggingItem(i, m_log));
    m_stack.Undo();
    m_stack.Undo();
    m_stack.Redo();
    EXPECT_EQ(TakeLog(), (Log{"x3", "x2", "x2"}));
    EXPECT_EQ(m_stack.GetUndoCount(), 2);
    EXPECT_EQ(m_stack.GetRedoCount(), 1);
    // Empty lists: nothing happens.
    for (int i = 0; i < 2; ++i)
        m_stack.Redo();
    for (int i = 0; i < 4; ++i)
        m_stack.Undo();
    EXPECT_EQ(TakeLog(), (Log{"x3", "x3", "x2", "x1"}));
    EXPECT_EQ(m_stack.GetUndoCount(), 0);
    EXPECT_EQ(m_stack.GetRedoCount(), 3);
    // A new edit discards everything undone; a null item is no edit.
    m_stack.AddActionItem(new CLoggingItem(4, m_log));
    EXPECT_EQ(TakeLog(), (Log{"~1", "~2", "~3"}));
    m_stack.AddActionItem(nullptr);
    EXPECT_EQ(m_stack.GetRedoCount(), 0);
    EXPECT_EQ(m_stack.GetUndoCount(), 1);
}

TEST_F(CActionStackTest, FiftyStepsAreKeptTheOldestGoesFirst)
{
    for (int i = 1; i <= 51; ++i)
        m_stack.AddActionItem(new CLoggingItem(i, m_log));
    EXPECT_EQ(TakeLog(), (Log{"~1"}));
    EXPECT_EQ(m_stack.GetUndoCount(), 50);
    for (int i = 0; i < 51; ++i)
        m_stack.Undo();
    const Log log = TakeLog();
    ASSERT_EQ(log.size(), 50u); // the 51st undo does nothing
    EXPECT_EQ(log.front(), "x51");
    EXPECT_EQ(log.back(), "x2");
    // Redo puts items back without the depth check.
    for (int i = 0; i < 50; ++i)
        m_stack.Redo();
    EXPECT_EQ(m_stack.GetUndoCount(), 50);
}

TEST_F(CActionStackTest, ItemsRecordedDuringAnUndoDoNotDestroyIt)
{
    m_stack.AddActionItem(new CRecordingItem(m_stack, m_log));
    m_stack.Undo();
    // The recording item went to the redo list after its new item cleared it.
    EXPECT_EQ(m_stack.GetUndoCount(), 1);
    EXPECT_EQ(m_stack.GetRedoCount(), 1);
}

TEST_F(CActionStackTest, ClearingAndDestructionDestroyEveryItem)
{
    {
        CActionStack stack(nullptr, 50);
        stack.AddActionItem(new CLoggingItem(1, m_log));
        stack.AddActionItem(new CLoggingItem(2, m_log));
        stack.Undo();
        TakeLog();
        stack.ClearUndo();
        EXPECT_EQ(TakeLog(), (Log{"~1"}));
        EXPECT_EQ(stack.GetRedoCount(), 1);
    }
    EXPECT_EQ(TakeLog(), (Log{"~2"}));
    // A stack that keeps no history destroys items at once.
    CActionStack none(nullptr, 0);
    none.AddActionItem(new CLoggingItem(7, m_log));
    EXPECT_EQ(TakeLog(), (Log{"~7"}));
    EXPECT_EQ(none.GetUndoCount(), 0);
}

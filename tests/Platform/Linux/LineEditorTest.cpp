#include "Platform/Linux/LineEditor.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <vector>

namespace
{
// One key press: its keysym and the text the keyboard produced.
struct KEY
{
    unsigned long keysym;
    const char* typed;
};

struct EDIT_CASE
{
    const char* name;
    const char* start; // the cursor starts after its end
    std::vector<KEY> keys;
    const char* expectedText;
    size_t expectedCursor; // bytes
};

// "é" is two bytes (C3 A9), "€" three (E2 82 AC).
const EDIT_CASE kCases[] = {
    {"TypingAppends", "/a/", {{'x', "x"}, {'.', "."}}, "/a/x.", 5},
    {"BackspaceRemovesBeforeTheCursor", "abc", {{XK_BackSpace, ""}}, "ab", 2},
    {"BackspaceAtTheStartDoesNothing", "abc", {{XK_Home, ""}, {XK_BackSpace, ""}}, "abc", 0},
    {"DeleteRemovesAfterTheCursor", "abc", {{XK_Home, ""}, {XK_Delete, ""}}, "bc", 0},
    {"DeleteAtTheEndDoesNothing", "abc", {{XK_Delete, ""}}, "abc", 3},
    {"InsertInTheMiddle", "ac", {{XK_Left, ""}, {'b', "b"}}, "abc", 2},
    {"LeftAndRightStopAtTheEnds",
     "ab",
     {{XK_Right, ""}, {XK_Left, ""}, {XK_Left, ""}, {XK_Left, ""}, {'x', "x"}},
     "xab",
     1},
    {"HomeAndEnd", "abc", {{XK_Home, ""}, {'<', "<"}, {XK_End, ""}, {'>', ">"}}, "<abc>", 5},
    {"KeypadKeysEdit", "abc", {{XK_KP_Home, ""}, {XK_KP_Delete, ""}, {XK_KP_End, ""}}, "bc", 2},
    {"MultiByteCharactersMoveAndDeleteWhole",
     "a\xC3\xA9\xE2\x82\xAC",
     {{XK_Left, ""}, {XK_BackSpace, ""}},
     "a\xE2\x82\xAC",
     1},
    {"DeleteForwardOverAMultiByteCharacter", "\xC3\xA9x", {{XK_Home, ""}, {XK_Delete, ""}}, "x", 0},
    {"ControlCharactersAreNotInserted", "a", {{'\t', "\t"}, {0, "b\nc"}}, "abc", 3},
    {"KeysWithoutTextChangeNothing", "a", {{XK_Shift_L, ""}, {XK_F1, ""}}, "a", 1},
    {"TypedMultiByteText", "", {{0x01000000 + 0x20AC, "\xE2\x82\xAC"}}, "\xE2\x82\xAC", 3},
};
} // namespace

TEST(LineEditorTest, KeysEditTheText)
{
    for (const EDIT_CASE& edit : kCases)
    {
        SCOPED_TRACE(edit.name);
        CLineEditor editor;
        editor.SetText(edit.start);
        for (const KEY& key : edit.keys)
            editor.HandleKey(key.keysym, key.typed);
        EXPECT_EQ(editor.GetText(), edit.expectedText);
        EXPECT_EQ(editor.GetCursor(), edit.expectedCursor);
    }
}

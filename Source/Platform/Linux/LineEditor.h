// The text of a one-line input field and its cursor, edited key by key: what
// the fallback dialog's path field does, without any window system, so that it
// can be tested on its own. Text is UTF-8; the cursor is a byte offset that
// always sits on a character boundary. User-interface thread only.
#pragma once

#include <cstddef>
#include <string>

class CLineEditor
{
public:
    // Replaces the text and puts the cursor after its end.
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_text; }
    // Byte offset of the cursor, 0..text size.
    size_t GetCursor() const { return m_cursor; }

    // Inserts `typed` at the cursor and moves the cursor after it. Control
    // characters (below 0x20, 0x7F) are left out: a path field takes one line.
    void Insert(const std::string& typed);
    // Removes the character before (Backspace) or after (Delete) the cursor.
    void DeleteBackward();
    void DeleteForward();
    // Moves the cursor one character, or to either end of the text.
    void MoveLeft();
    void MoveRight();
    void MoveHome();
    void MoveEnd();

    // One key press: X keysym `keysym` and the UTF-8 text the keyboard produced
    // for it (may be empty). BackSpace, Delete, Left, Right, Home and End (also
    // their keypad forms) edit; any other key inserts its text. True when the key
    // was one of the editing keys or inserted text.
    bool HandleKey(unsigned long keysym, const std::string& typed);

private:
    size_t PreviousBoundary(size_t offset) const;
    size_t NextBoundary(size_t offset) const;

    std::string m_text;
    size_t m_cursor = 0;
};

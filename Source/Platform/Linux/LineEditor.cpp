#include "Platform/Linux/LineEditor.h"

#include <X11/keysym.h>

namespace
{
// A UTF-8 continuation byte (10xxxxxx) never starts a character.
bool IsContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

bool IsControlCharacter(char byte)
{
    const unsigned char value = static_cast<unsigned char>(byte);
    return value < 0x20 || value == 0x7F;
}
} // namespace

void CLineEditor::SetText(const std::string& text)
{
    m_text.clear();
    m_cursor = 0;
    Insert(text);
}

void CLineEditor::Insert(const std::string& typed)
{
    std::string clean;
    for (char byte : typed)
        if (!IsControlCharacter(byte))
            clean += byte;
    m_text.insert(m_cursor, clean);
    m_cursor += clean.size();
}

void CLineEditor::DeleteBackward()
{
    const size_t start = PreviousBoundary(m_cursor);
    m_text.erase(start, m_cursor - start);
    m_cursor = start;
}

void CLineEditor::DeleteForward()
{
    m_text.erase(m_cursor, NextBoundary(m_cursor) - m_cursor);
}

void CLineEditor::MoveLeft()
{
    m_cursor = PreviousBoundary(m_cursor);
}

void CLineEditor::MoveRight()
{
    m_cursor = NextBoundary(m_cursor);
}

void CLineEditor::MoveHome()
{
    m_cursor = 0;
}

void CLineEditor::MoveEnd()
{
    m_cursor = m_text.size();
}

bool CLineEditor::HandleKey(unsigned long keysym, const std::string& typed)
{
    switch (keysym)
    {
    case XK_BackSpace:
        DeleteBackward();
        return true;
    case XK_Delete:
    case XK_KP_Delete:
        DeleteForward();
        return true;
    case XK_Left:
    case XK_KP_Left:
        MoveLeft();
        return true;
    case XK_Right:
    case XK_KP_Right:
        MoveRight();
        return true;
    case XK_Home:
    case XK_KP_Home:
        MoveHome();
        return true;
    case XK_End:
    case XK_KP_End:
        MoveEnd();
        return true;
    default:
        break;
    }
    const size_t before = m_text.size();
    Insert(typed);
    return m_text.size() != before;
}

size_t CLineEditor::PreviousBoundary(size_t offset) const
{
    if (offset == 0)
        return 0;
    --offset;
    while (offset > 0 && IsContinuationByte(m_text[offset]))
        --offset;
    return offset;
}

size_t CLineEditor::NextBoundary(size_t offset) const
{
    if (offset >= m_text.size())
        return m_text.size();
    ++offset;
    while (offset < m_text.size() && IsContinuationByte(m_text[offset]))
        ++offset;
    return offset;
}

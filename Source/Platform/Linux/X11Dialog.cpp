#include "Platform/Linux/X11Dialog.h"

#include "Platform/Linux/LineEditor.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cairo-xlib.h>
#include <cairo.h>
#include <cstdio>
#include <pango/pangocairo.h>

namespace
{
// Layout in pixels.
constexpr int kWidth = 520;
constexpr int kPadding = 20;
constexpr int kGap = 12;
constexpr int kFieldHeight = 30;
constexpr int kFieldInset = 8;
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 30;
constexpr double kCornerRadius = 6.0;

struct RGB
{
    double red, green, blue;
};
constexpr RGB kBackground = {0x25 / 255.0, 0x29 / 255.0, 0x2F / 255.0};
constexpr RGB kText = {0xE8 / 255.0, 0xEA / 255.0, 0xED / 255.0};
constexpr RGB kAccent = {0x4F / 255.0, 0xC3 / 255.0, 0xF7 / 255.0};
constexpr RGB kField = {0x1B / 255.0, 0x1E / 255.0, 0x24 / 255.0};
constexpr RGB kEdge = {0x36 / 255.0, 0x3C / 255.0, 0x47 / 255.0};

const char kHeadingFont[] = "Sans Bold 11";
const char kBodyFont[] = "Sans 10";

struct BOX
{
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const
    {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
};

enum class OUTCOME
{
    NoDisplay,
    Confirmed,
    Cancelled
};

void SetColour(cairo_t* cr, const RGB& colour)
{
    cairo_set_source_rgb(cr, colour.red, colour.green, colour.blue);
}

void RoundedRectangle(cairo_t* cr, double x, double y, double width, double height)
{
    const double r = kCornerRadius;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - r, y + r, r, -G_PI / 2, 0);
    cairo_arc(cr, x + width - r, y + height - r, r, 0, G_PI / 2);
    cairo_arc(cr, x + r, y + height - r, r, G_PI / 2, G_PI);
    cairo_arc(cr, x + r, y + r, r, G_PI, 3 * G_PI / 2);
    cairo_close_path(cr);
}

PangoLayout* MakeLayout(cairo_t* cr, const char* font, const std::string& text, int wrapWidth)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    if (wrapWidth > 0)
    {
        pango_layout_set_width(layout, wrapWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    else
        pango_layout_set_single_paragraph_mode(layout, TRUE);
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    return layout;
}

int LayoutHeight(PangoLayout* layout)
{
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    return height;
}

// The UTF-8 text of a key press: the character its keysym stands for (Latin-1
// keysyms are their code points, 0x01xxxxxx ones carry a Unicode code point).
// Nothing while Control is held: those are shortcuts, not text.
std::string TypedText(unsigned long keysym, unsigned int state)
{
    if (state & ControlMask)
        return std::string();
    unsigned long codePoint = 0;
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF))
        codePoint = keysym;
    else if (keysym >= 0x01000100 && keysym <= 0x0110FFFF)
        codePoint = keysym - 0x01000000;
    else
        return std::string();
    std::string text;
    if (codePoint < 0x80)
        text += static_cast<char>(codePoint);
    else if (codePoint < 0x800)
    {
        text += static_cast<char>(0xC0 | (codePoint >> 6));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    else if (codePoint < 0x10000)
    {
        text += static_cast<char>(0xE0 | (codePoint >> 12));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    else
    {
        text += static_cast<char>(0xF0 | (codePoint >> 18));
        text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return text;
}

// Errors on the dialog's own connection (a focus request before the window is
// viewable, a window manager that went away) must not end the host, whose
// default handler would exit.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

#ifdef MORVEX_HAVE_IO_ERROR_EXIT_HANDLER
// A lost connection (the X server went away) would otherwise exit the host.
void NoteLostConnection(Display*, void* lost)
{
    *static_cast<bool*>(lost) = true;
}
#endif

// One dialog window from opening to closing.
class CDialogSession
{
public:
    CDialogSession(const std::string& title, const std::string& message, bool hasField,
                   bool withCancel, CLineEditor& editor)
        : m_title(title), m_message(message), m_hasField(hasField), m_withCancel(withCancel),
          m_editor(editor)
    {
    }

    OUTCOME Run()
    {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return OUTCOME::NoDisplay;
        XErrorHandler previousHandler = XSetErrorHandler(&IgnoreXError);
#ifdef MORVEX_HAVE_IO_ERROR_EXIT_HANDLER
        XSetIOErrorExitHandler(display, &NoteLostConnection, &m_connectionLost);
#endif
        m_display = display;
        Layout();
        OpenWindow();
        const OUTCOME outcome = Loop();
        CloseWindow();
        XCloseDisplay(display);
        XSetErrorHandler(previousHandler);
        return outcome;
    }

private:
    // Places heading, message or field and buttons; measures the text with a
    // scratch surface, before the window exists.
    void Layout()
    {
        cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* cr = cairo_create(scratch);
        const int textWidth = kWidth - 2 * kPadding;
        PangoLayout* heading = MakeLayout(cr, kHeadingFont, m_title, textWidth);
        int y = kPadding + LayoutHeight(heading) + kGap;
        g_object_unref(heading);
        if (m_hasField)
        {
            m_field = {kPadding, y, textWidth, kFieldHeight};
            y += kFieldHeight;
        }
        else
        {
            PangoLayout* body = MakeLayout(cr, kBodyFont, m_message, textWidth);
            y += LayoutHeight(body);
            g_object_unref(body);
        }
        y += kPadding;
        m_ok = {kWidth - kPadding - kButtonWidth, y, kButtonWidth, kButtonHeight};
        if (m_withCancel)
            m_cancel = {m_ok.x - kGap - kButtonWidth, y, kButtonWidth, kButtonHeight};
        m_height = y + kButtonHeight + kPadding;
        cairo_destroy(cr);
        cairo_surface_destroy(scratch);
    }

    Atom Intern(const char* name)
    {
        return XInternAtom(m_display, name, False);
    }

    void OpenWindow()
    {
        const int screen = DefaultScreen(m_display);
        const int x = std::max(0, (DisplayWidth(m_display, screen) - kWidth) / 2);
        const int y = std::max(0, (DisplayHeight(m_display, screen) - m_height) / 3);
        const unsigned long background = 0x25292FUL; // TrueColor pixel of the background
        m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), x, y, kWidth,
                                       static_cast<unsigned>(m_height), 0, 0, background);
        XStoreName(m_display, m_window, m_title.c_str());
        XChangeProperty(m_display, m_window, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(m_title.c_str()),
                        static_cast<int>(m_title.size()));
        Atom type = Intern("_NET_WM_WINDOW_TYPE_DIALOG");
        XChangeProperty(m_display, m_window, Intern("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
        // Above the host's windows, which stop responding while we wait.
        Atom above = Intern("_NET_WM_STATE_ABOVE");
        XChangeProperty(m_display, m_window, Intern("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&above), 1);
        m_deleteWindow = Intern("WM_DELETE_WINDOW");
        XSetWMProtocols(m_display, m_window, &m_deleteWindow, 1);
        XSizeHints* hints = XAllocSizeHints();
        if (hints)
        {
            hints->flags = PPosition | PMinSize | PMaxSize;
            hints->x = x;
            hints->y = y;
            hints->min_width = hints->max_width = kWidth;
            hints->min_height = hints->max_height = m_height;
            XSetWMNormalHints(m_display, m_window, hints);
            XFree(hints);
        }
        XSelectInput(m_display, m_window,
                     ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                         StructureNotifyMask);
        m_surface = cairo_xlib_surface_create(m_display, m_window, DefaultVisual(m_display, screen),
                                              kWidth, m_height);
        XMapRaised(m_display, m_window);
    }

    void CloseWindow()
    {
        // The surface and cairo's per-connection state go before the connection.
        cairo_surface_finish(m_surface);
        if (cairo_device_t* device = cairo_surface_get_device(m_surface))
            cairo_device_finish(device);
        cairo_surface_destroy(m_surface);
        if (m_connectionLost)
            return;
        if (!m_windowGone)
            XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
    }

    OUTCOME Loop()
    {
        for (;;)
        {
            XEvent event;
            XNextEvent(m_display, &event);
            if (m_connectionLost)
                return OUTCOME::Cancelled;
            switch (event.type)
            {
            case MapNotify:
                XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
                break;
            case Expose:
                if (event.xexpose.count == 0)
                    Draw();
                break;
            case KeyPress:
                if (const int outcome = OnKey(event.xkey))
                    return outcome > 0 ? OUTCOME::Confirmed : OUTCOME::Cancelled;
                break;
            case ButtonPress:
                OnPress(event.xbutton);
                break;
            case ButtonRelease:
                if (const int outcome = OnRelease(event.xbutton))
                    return outcome > 0 ? OUTCOME::Confirmed : OUTCOME::Cancelled;
                break;
            case ClientMessage:
                if (static_cast<Atom>(event.xclient.data.l[0]) == m_deleteWindow)
                    return CloseAnswer();
                break;
            case DestroyNotify:
                m_windowGone = true;
                return CloseAnswer();
            default:
                break;
            }
        }
    }

    // Closing the window is "Cancel" where there is one, else "OK".
    OUTCOME CloseAnswer() const
    {
        return m_withCancel || m_hasField ? OUTCOME::Cancelled : OUTCOME::Confirmed;
    }

    // 1 confirms, -1 cancels, 0 goes on.
    int OnKey(XKeyEvent& event)
    {
        char buffer[32];
        KeySym keysym = NoSymbol;
        XLookupString(&event, buffer, sizeof(buffer), &keysym, nullptr);
        if (keysym == XK_Return || keysym == XK_KP_Enter)
            return 1;
        if (keysym == XK_Escape)
            return CloseAnswer() == OUTCOME::Cancelled ? -1 : 1;
        if (m_hasField && m_editor.HandleKey(keysym, TypedText(keysym, event.state)))
            Draw();
        return 0;
    }

    void OnPress(const XButtonEvent& event)
    {
        if (event.button != Button1)
            return;
        m_pressed = nullptr;
        if (m_ok.Contains(event.x, event.y))
            m_pressed = &m_ok;
        else if (m_withCancel && m_cancel.Contains(event.x, event.y))
            m_pressed = &m_cancel;
        else if (m_hasField && m_field.Contains(event.x, event.y))
            PlaceCursor(event.x);
        Draw();
    }

    int OnRelease(const XButtonEvent& event)
    {
        if (event.button != Button1 || !m_pressed)
            return 0;
        const BOX* pressed = m_pressed;
        m_pressed = nullptr;
        Draw();
        if (!pressed->Contains(event.x, event.y))
            return 0;
        return pressed == &m_ok ? 1 : -1;
    }

    // A click in the field puts the cursor at the nearest character boundary.
    void PlaceCursor(int x)
    {
        cairo_t* cr = cairo_create(m_surface);
        PangoLayout* layout = MakeLayout(cr, kBodyFont, m_editor.GetText(), 0);
        int index = 0;
        int trailing = 0;
        const int layoutX = x - m_field.x - kFieldInset + m_scroll;
        pango_layout_xy_to_index(layout, layoutX * PANGO_SCALE, 0, &index, &trailing);
        m_editor.MoveHome();
        // Step to the byte offset Pango found, plus the trailing characters.
        while (m_editor.GetCursor() < static_cast<size_t>(index))
            m_editor.MoveRight();
        for (int i = 0; i < trailing; ++i)
            m_editor.MoveRight();
        g_object_unref(layout);
        cairo_destroy(cr);
    }

    void Draw()
    {
        cairo_t* cr = cairo_create(m_surface);
        cairo_push_group(cr); // one copy to the window: no flicker
        SetColour(cr, kBackground);
        cairo_paint(cr);
        const int textWidth = kWidth - 2 * kPadding;
        PangoLayout* heading = MakeLayout(cr, kHeadingFont, m_title, textWidth);
        SetColour(cr, kText);
        cairo_move_to(cr, kPadding, kPadding);
        pango_cairo_show_layout(cr, heading);
        const int bodyY = kPadding + LayoutHeight(heading) + kGap;
        g_object_unref(heading);
        if (m_hasField)
            DrawField(cr);
        else
        {
            PangoLayout* body = MakeLayout(cr, kBodyFont, m_message, textWidth);
            cairo_move_to(cr, kPadding, bodyY);
            pango_cairo_show_layout(cr, body);
            g_object_unref(body);
        }
        DrawButton(cr, m_ok, "OK", true);
        if (m_withCancel)
            DrawButton(cr, m_cancel, "Cancel", false);
        cairo_pop_group_to_source(cr);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(m_surface);
        XFlush(m_display);
    }

    void DrawField(cairo_t* cr)
    {
        RoundedRectangle(cr, m_field.x + 0.5, m_field.y + 0.5, m_field.width - 1,
                         m_field.height - 1);
        SetColour(cr, kField);
        cairo_fill_preserve(cr);
        SetColour(cr, kAccent);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);

        PangoLayout* layout = MakeLayout(cr, kBodyFont, m_editor.GetText(), 0);
        PangoRectangle cursor;
        pango_layout_get_cursor_pos(layout, static_cast<int>(m_editor.GetCursor()), &cursor,
                                    nullptr);
        // Scrolled sideways so that the cursor stays inside the field.
        const int innerWidth = m_field.width - 2 * kFieldInset;
        const int cursorX = PANGO_PIXELS(cursor.x);
        if (cursorX - m_scroll > innerWidth)
            m_scroll = cursorX - innerWidth;
        if (cursorX < m_scroll)
            m_scroll = cursorX;
        const int textHeight = LayoutHeight(layout);
        const int textY = m_field.y + (m_field.height - textHeight) / 2;
        cairo_save(cr);
        cairo_rectangle(cr, m_field.x + kFieldInset - 1, m_field.y, innerWidth + 2, m_field.height);
        cairo_clip(cr);
        SetColour(cr, kText);
        cairo_move_to(cr, m_field.x + kFieldInset - m_scroll, textY);
        pango_cairo_show_layout(cr, layout);
        SetColour(cr, kAccent);
        const double x = m_field.x + kFieldInset - m_scroll + cursorX + 0.5;
        cairo_move_to(cr, x, textY);
        cairo_line_to(cr, x, textY + textHeight);
        cairo_stroke(cr);
        cairo_restore(cr);
        g_object_unref(layout);
    }

    void DrawButton(cairo_t* cr, const BOX& box, const char* label, bool isDefault)
    {
        const bool pressed = m_pressed == &box;
        RoundedRectangle(cr, box.x + 0.5, box.y + 0.5, box.width - 1, box.height - 1);
        if (isDefault)
        {
            // The default button lights in the accent colour, dimmed while pressed.
            cairo_set_source_rgba(cr, kAccent.red, kAccent.green, kAccent.blue,
                                  pressed ? 0.7 : 1.0);
            cairo_fill(cr);
            SetColour(cr, kField);
        }
        else
        {
            SetColour(cr, pressed ? kEdge : kField);
            cairo_fill_preserve(cr);
            SetColour(cr, kEdge);
            cairo_set_line_width(cr, 1.0);
            cairo_stroke(cr);
            SetColour(cr, kText);
        }
        PangoLayout* layout = MakeLayout(cr, kBodyFont, label, 0);
        int width = 0;
        int height = 0;
        pango_layout_get_pixel_size(layout, &width, &height);
        cairo_move_to(cr, box.x + (box.width - width) / 2, box.y + (box.height - height) / 2);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
    }

    std::string m_title;
    std::string m_message;
    bool m_hasField;
    bool m_withCancel;
    CLineEditor& m_editor;

    Display* m_display = nullptr;
    Window m_window = 0;
    Atom m_deleteWindow = 0;
    bool m_windowGone = false;
    bool m_connectionLost = false;
    cairo_surface_t* m_surface = nullptr;
    int m_height = 0;
    BOX m_field;
    BOX m_ok;
    BOX m_cancel;
    const BOX* m_pressed = nullptr;
    // Pixels of the field's text scrolled out to the left.
    int m_scroll = 0;
};
} // namespace

bool CX11Dialog::AskForPath(const std::string& title, const std::string& initialPath,
                            std::string& path)
{
    CLineEditor editor;
    editor.SetText(initialPath);
    CDialogSession session(title, std::string(), true, true, editor);
    if (session.Run() != OUTCOME::Confirmed)
        return false;
    path = editor.GetText();
    return true;
}

bool CX11Dialog::ShowMessage(const std::string& title, const std::string& message, bool withCancel)
{
    CLineEditor unused;
    CDialogSession session(title, message, false, withCancel, unused);
    const OUTCOME outcome = session.Run();
    if (outcome == OUTCOME::NoDisplay)
    {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
        return true;
    }
    return outcome == OUTCOME::Confirmed;
}

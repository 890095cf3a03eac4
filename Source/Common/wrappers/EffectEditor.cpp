#include "EffectEditor.h"

#include <atomic>

namespace
{
// Written once at load time of the plug-in module, read by every effect constructor,
// which hosts may run on any thread.
std::atomic<EFFECT_EDITOR_FACTORY> g_editorFactory{nullptr};
} // namespace

namespace EffectEditor
{
void SetEditorFactory(EFFECT_EDITOR_FACTORY factory)
{
    g_editorFactory.store(factory);
}

IEffectEditor* CreateEditor(CBaseEffect* effect)
{
    const EFFECT_EDITOR_FACTORY factory = g_editorFactory.load();
    return factory ? factory(effect) : nullptr;
}
} // namespace EffectEditor

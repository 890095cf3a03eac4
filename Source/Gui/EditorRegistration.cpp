// Compiled into the plug-in module only: makes every CMorvex the module creates
// get its editor. The core library, its tools and its tests install no factory and
// so run without an editor.
#include "Common/wrappers/EffectEditor.h"
#include "Editor.h"

namespace
{
const bool kEditorFactoryInstalled = [] {
    EffectEditor::SetEditorFactory(&CreateMorvexEditor);
    return true;
}();
} // namespace

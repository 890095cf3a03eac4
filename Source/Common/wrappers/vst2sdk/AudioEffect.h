// VST 1.x-level plug-in base: owns the AEffect record handed to the host, keeps
// the sample rate and block size, and turns the host's dispatcher calls into
// virtual member calls. Subclasses override what they support; every opcode a
// subclass does not handle answers 0.
#pragma once

#include "aeffectx.h"

class AEffEditor;

class AudioEffect
{
public:
    // audioMaster: the host callback (may be null in tests); numPrograms and
    // numParams are announced to the host through the AEffect record.
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    AEffect* getAeffect() { return &m_cEffect; }
    audioMasterCallback getAudioMaster() const { return m_audioMaster; }

    // Dispatcher: one host opcode; unknown opcodes answer 0.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual float getSampleRate() const { return m_sampleRate; }
    virtual VstInt32 getBlockSize() const { return m_blockSize; }
    virtual void setSampleRate(float sampleRate) { m_sampleRate = sampleRate; }
    virtual void setBlockSize(VstInt32 blockSize) { m_blockSize = blockSize; }

    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/,
                                        VstInt32 /*sampleFrames*/)
    {
    }
    // The accumulating process call of VST 1; kept separate from processReplacing
    // so that hosts can tell the two apart.
    virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}

    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    // Sets the value and tells the host, which records it as automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return m_curProgram; }
    virtual void setProgram(VstInt32 program) { m_curProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(VstInt32 /*index*/, char* label) { *label = 0; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { *text = 0; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { *text = 0; }
    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/ = false) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/ = false)
    {
        return 0;
    }

    // Setup, called from the subclass constructor.
    virtual void setUniqueID(VstInt32 id) { m_cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { m_cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { m_cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true);
    virtual void canDoubleReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);
    virtual void setInitialDelay(VstInt32 delay) { m_cEffect.initialDelay = delay; }

    // Editor handed over by the product; owned (deleted in the destructor).
    virtual void setEditor(AEffEditor* editor);
    virtual AEffEditor* getEditor() { return m_editor; }

    // Host services.
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();

protected:
    audioMasterCallback m_audioMaster;
    AEffEditor* m_editor = nullptr;
    float m_sampleRate = 44100.0f;
    VstInt32 m_blockSize = 1024;
    VstInt32 m_numPrograms;
    VstInt32 m_numParams;
    VstInt32 m_curProgram = 0;
    AEffect m_cEffect;

private:
    static VstIntPtr DispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
    static void ProcessClass(AEffect* e, float** inputs, float** outputs, VstInt32 frames);
    static void ProcessReplacingClass(AEffect* e, float** inputs, float** outputs,
                                      VstInt32 frames);
    static void ProcessDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                            VstInt32 frames);
    static void SetParameterClass(AEffect* e, VstInt32 index, float value);
    static float GetParameterClass(AEffect* e, VstInt32 index);
};

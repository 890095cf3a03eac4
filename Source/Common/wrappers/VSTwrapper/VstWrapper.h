// The host adapter: the only object the host talks to. Answers the host's
// constant queries, forwards everything else to the effect object, detects
// tempo, position and transport changes, and cuts every host block into
// 16-sample sub-blocks between which queued MIDI control changes are applied.
#pragma once

#include "../vst2sdk/AudioEffectX.h"
#include "VstMidiProcessor.h"

class CBaseEffect;

class CVstWrapper : public AudioEffectX
{
public:
    static constexpr int kSubBlockSize = 16;
    static constexpr int kNumParams = 312;
    static constexpr int kVendorVersion = 1140;

    explicit CVstWrapper(audioMasterCallback audioMaster);
    ~CVstWrapper() override;

    void SetBaseEffect(CBaseEffect* effect);
    CBaseEffect* GetBaseEffect() { return m_effect; }

    // Calls the effect makes back into the host.
    void HostBeginEdit(int id);
    void HostEndEdit(int id);
    void HostSetParameterAutomated(int id, float value);

    // AudioEffect / AudioEffectX.
    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    bool getVendorString(char* text) override;
    VstInt32 getVendorVersion() override { return kVendorVersion; }
    VstPlugCategory getPlugCategory() override { return kPlugCategEffect; }
    VstInt32 getNumMidiInputChannels() override { return 1; }
    VstInt32 getNumMidiOutputChannels() override { return 0; }
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 canDo(char* text) override;
    VstInt32 getProgram() override { return 0; }
    void setProgram(VstInt32 /*program*/) override {}
    void setProgramName(char* /*name*/) override {}
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 /*index*/, char* label) override { *label = 0; }
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setSampleRate(float sampleRate) override;
    void setBlockSize(VstInt32 blockSize) override;
    void suspend() override {}
    void resume() override;
    VstInt32 processEvents(VstEvents* events) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

private:
    bool FillPinProperties(VstInt32 index, VstPinProperties* properties);

    CBaseEffect* m_effect = nullptr;
    CVstMidiProcessor* m_midiQueue;
    bool m_lastPlaying = false;
    float m_lastTempo = 0.0f;
    float m_lastSamplePos = 0.0f;
};

// Defined by the product: creates its effect object for the adapter.
CBaseEffect* createBaseEffect(CVstWrapper* wrapper);

// Creates the adapter and its effect; null when either cannot be created.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

#!/usr/bin/env bash
# Renders the built-in drum loop through Morvex with a few characteristic patches.
# Usage: scripts/demo.sh BUILD_DIR [OUTPUT_DIR]
set -euo pipefail

build=${1:?usage: scripts/demo.sh BUILD_DIR [OUTPUT_DIR]}
out=${2:-$build/demo}
render="$build/morvex-render"
mkdir -p "$out"

# Every render: 8 bars at 120 BPM with the transport running.
run() {
    local name=$1
    shift
    printf '%-22s ' "$name:"
    "$render" --tempo 120 "$@" -o "$out/$name.wav"
}

# The module under test alone in layer A; the default low-pass filter switched off
# so that each render shows only its own module.
solo=(--set "LayerA Filter On=off")

run drum-loop
run delay-pingpong "${solo[@]}" --set "LayerA Delay Mix=40" --set "LayerA Delay Feedback=55" \
    --set "LayerA Delay PingPong=on" --set "LayerA Delay Speed L=1/8"
run distortion-crisp "${solo[@]}" --set "LayerA Dist Mode=Crisp" --set "LayerA Dist Drive=9" \
    --set "LayerA Dist Mix=100" --set "LayerA Dist Fuzz=40" --set "LayerA Dist Output=-6"
run glitch-x4 "${solo[@]}" --set "LayerA Glitch Scale=x4" --set "LayerA Glitch Mode=Run"
run filter-sweep --set "LayerA Filter Mode=Lowpass 24dB" --set "LayerA Filter Cutoff=60" \
    --set "LayerA Filter Res=6" --set "Mod1 Mode=Curve" --set "Mod1 Speed=1/2" \
    --set "ModMtx01 Source=Mod 1" --set "ModMtx01 Target=LayerA Filter Cutoff" \
    --set "ModMtx01 Depth=60"
run flanger "${solo[@]}" --set "LayerA Flanger Mix=60" --set "LayerA Flanger Speed=1/1"
run phaser "${solo[@]}" --set "LayerA Flanger Mode=Phaser" --set "LayerA Flanger Mix=70"
run lofi "${solo[@]}" --set "LayerA LoFi BitDepth=70" --set "LayerA LoFi SampleRate=2.7kHz" \
    --set "LayerA LoFi Noise=20"
run tremolo-steps "${solo[@]}" --set "Mod1 Tremolo=80" --set "Mod1 Tremolo Dst=Master" \
    --set "Mod1 Gate=40"
run reverb "${solo[@]}" --set "Reverb Mix=35" --set "Reverb Size=90" --set "Reverb Decay=80"
run master-eq "${solo[@]}" --set "Eq Bass=8" --set "Eq Mid=-6" --set "Eq Treble=5"

# A handful of the factory presets (built into $build/presets), and a modulator preset from the
# command line.
presets="$build/presets/Plug-In Presets"
modulators="$build/presets/Modulator Presets"
run preset-trance-gate --preset "$presets/Rhythmic Gates/Trance Gate 16ths.prg"
run preset-filter-sweep --preset "$presets/Filter Movement/Lowpass Sweep 4 Bars.prg"
run preset-dub-throws --preset "$presets/Delays and Echoes/Dub Throws.prg"
run preset-beat-repeat --preset "$presets/Glitch and Stutter/Beat Repeat 16ths.prg"
run preset-crushed-room --preset "$presets/Drums/Crushed Room.prg"
run mod-preset-pump --mod-preset "1=$modulators/Pumps/Quarter Pump.mprg" \
    --set "Mod1 Tremolo=90" --set "Mod1 Tremolo Dst=Master"
echo "Renders written to $out"

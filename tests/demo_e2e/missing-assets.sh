#!/usr/bin/env bash
# Each asset missing in turn: the load fails, the log names the file, the window never shows and
# the program still ends with exit code 0.
source "$(dirname "$0")/demo-lib.sh"
assets="skullocc.x venus.x ball.x tiny.x lizardSIG.sdkmesh effect.fx light.fx particleEffect.fx particle.bmp"
for asset in $assets; do
    demo_scratch
    rm -f "$DEMO_SCRATCH/$asset"
    demo_start Vexa2.exe
    program=$last_pid
    shown=""
    for i in $(seq 1 1200); do
        kill -0 "$program" 2>/dev/null || break
        [ -z "$shown" ] && ! e2e_no_window --onlyvisible --name '^Vexa2' && shown=yes
        sleep 0.05
    done
    e2e_wait "$program" 30
    [ "$exit_code" = 0 ] || fail "$asset missing: exit code $exit_code"
    [ -z "$shown" ] || fail "$asset missing: the window was shown"
    text=$(e2e_log_text "$DEMO_SCRATCH/myLog.log")
    # The particle image's entry names the failed call, not the file.
    case $asset in
    particle.bmp) expected="[.\ParticleManager | ParticleManager::OnLoad | LINE: *] >> Function \"D3DXCreateTextureFromFileEx()\"" ;;
    *.x) expected="[.\Mesh_X | Mesh_X::LoadMesh | LINE: *] >> File not found :$asset" ;;
    *) expected=$asset ;;
    esac
    grep -qF "$expected" <<<"$text" || { echo "$text" >&2; fail "$asset missing: the log does not name it"; }
    grep -qF "IScreen::OnLoad()" <<<"$text" || { echo "$text" >&2; fail "$asset missing: no renderer entry"; }
    note "$asset missing: exit 0, window never shown, logged"
done

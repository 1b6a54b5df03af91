#!/usr/bin/env bash
# Starts the tool in a demo working folder whose Tool.cfg selects the built-in emulated
# MV4700, so the printer is identified within seconds. Without a display, runs it under Xvfb
# and saves a screenshot of the main window instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tool="$top/build/default/src/tool"
demo="$top/demo"
mkdir -p "$demo"
if [ ! -f "$demo/Tool.cfg" ]; then
    # Port "EMUL-MV4700" padded to 12 bytes, model 1 (MV4700), daylight saving off.
    printf 'EMUL-MV4700 \001\000\000\000\000\000\000\000' > "$demo/Tool.cfg"
fi
cd "$demo"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$tool"
fi

shot="$demo/main-window.png"
echo "No display: running the tool under Xvfb for a screenshot of the main window."
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" &
    pid=$!
    for _ in $(seq 1 60); do
        sleep 0.5
        xwininfo -name "TOOL MV210/MV4700 V.1.02" >/dev/null 2>&1 && break
    done
    sleep 6   # the identification: yellow for 2.5 s, then green
    id=$(xwininfo -name "TOOL MV210/MV4700 V.1.02" | awk "/Window id:/ {print \$4}")
    import -window "$id" "$2"
    kill "$pid"
    wait "$pid" || true
' _ "$tool" "$shot"
echo "Screenshot: $shot"

#!/bin/sh
# The device build assembles for ARMv4T alone: through the device's own compile rule, a
# source in ARMv4T's instructions builds, and one holding clz (ARMv5) is refused.
# Usage: armv4t_only.sh SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE
set -u
cmake --fresh -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$3" >/dev/null || exit 1
if ! cmake --build "$2" --target armv4t_only >"$2/armv4t.log" 2>&1; then
    cat "$2/armv4t.log"
    echo "an ARMv4T source was refused"
    exit 1
fi
if cmake --build "$2" --target armv5_clz >"$2/armv5.log" 2>&1; then
    echo "clz, an ARMv5 instruction, was built for the device"
    exit 1
fi
grep -q "does not support" "$2/armv5.log" || { cat "$2/armv5.log"; exit 1; }
echo "clz refused: $(grep -m1 'does not support' "$2/armv5.log")"

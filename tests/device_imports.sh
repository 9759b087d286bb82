#!/usr/bin/env bash
# Fails when the product's objects reference anything the device's core library lacks:
# only the OS calls and C runtime routines below, nothing of the heap, exceptions or
# the C++ runtime. Usage: device_imports.sh NM OBJECTS... (each may be a ;-list, as
# CMake passes them; resource files are passed over).
set -euo pipefail
nm=$1
shift
objects=()
for list in "$@"; do
    IFS=';' read -ra parts <<<"$list"
    for part in "${parts[@]}"; do
        [[ $part == *.obj || $part == *.o ]] && objects+=("$part")
    done
done
set -- "${objects[@]}"
allowed="__imp_CloseHandle __imp_CreateFileW __imp_CreateProcessW __imp_DeleteFileW
__imp_GetModuleFileNameW __imp_GetVersionExW __imp_MultiByteToWideChar __imp_ReadFile
__imp_WaitForSingleObject memcmp memcpy memset wcslen"
defined=$("$nm" --defined-only "$@" | awk 'NF == 3 { print $3 }' | sort -u)
referenced=$("$nm" -u "$@" | awk 'NF == 2 { print $2 }' | sort -u)
outside=$(comm -23 <(echo "$referenced") <(echo "$defined"))
unknown=$(comm -23 <(echo "$outside") <(printf '%s\n' $allowed | sort))
if [ -n "$unknown" ]; then
    echo "References the device does not offer:" $unknown
    exit 1
fi
echo "$# objects reference only:" $outside

#!/usr/bin/env bash
# Brelunda.exe as Windows and Explorer see the file: one file that imports Windows' own DLLs only,
# and from them nothing Windows 7 SP1 lacks, so that its loader starts it; with the hardening
# Windows expects in its PE header, the light bulb as its icon, and the version block (read from
# the file) naming Brelunda 1.00 in US English.
#   windows_exe.sh BRELUNDA.EXE VERSION
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
exe=$1 version=$2
need x86_64-w64-mingw32-objdump:binutils-mingw-w64-x86-64 wrestool:icoutils
scratch_dir

headers=$(x86_64-w64-mingw32-objdump -p "$exe")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
for dll in $imports; do
    [[ $dll =~ ^(kernel32|user32|gdi32|msvcrt|ole32|oleaut32|shell32|comctl32|uxtheme|advapi32)\.dll$ ]] ||
        fail "imports $dll, which Windows does not provide"
done
# Functions of those DLLs that Windows 7 SP1 lacks, and the release that brought each: what
# mingw-w64's headers declare for a later _WIN32_WINNT (dpi, pointer input, packaged apps, thread
# names, precise time) and what a newer runtime reaches for; msvcrt.dll's as mingw-w64's own list
# of that DLL's versions gives them. The loader refuses an executable importing any of them.
later='
Windows 8       | EnableMouseInPointer GetPointerType GetPointerInfo GetCurrentInputMessageSource
Windows 8       | GetWindowFeedbackSetting SetWindowFeedbackSetting IsImmersiveProcess SetCoalescableTimer
Windows 8       | GetSystemTimePreciseAsFileTime CreateFile2 CopyFile2 GetCurrentThreadStackLimits
Windows 8       | InitializeSynchronizationBarrier EnterSynchronizationBarrier PrefetchVirtualMemory
Windows 8       | GetOverlappedResultEx SetThreadpoolTimerEx GetFirmwareType GetPackageFamilyName GetCurrentPackageId
Windows 8       | GetCurrentPackageFullName GetProcessInformation SetProcessInformation GetProcessMitigationPolicy
Windows 8       | SetProcessMitigationPolicy GetThreadInformation SetThreadInformation _create_locale _free_locale
Windows 8       | _get_current_locale _wcstod_l CoIncrementMTAUsage CoDecrementMTAUsage EventSetInformation
Windows 8 (7 SP1 only with update KB2533623) | SetDefaultDllDirectories AddDllDirectory
Windows 8.1     | LogicalToPhysicalPointForPerMonitorDPI PhysicalToLogicalPointForPerMonitorDPI __ExceptionPtrCreate
Windows 8.1     | __ExceptionPtrCopy __ExceptionPtrRethrow __AdjustPointer _W_Getdays _W_Getmonths _Wcsftime
Windows 10      | GetSystemCpuSetInformation AppPolicyGetProcessTerminationMethod
Windows 10 1607 | GetDpiForWindow GetDpiForSystem GetSystemMetricsForDpi AdjustWindowRectExForDpi SetThreadDescription
Windows 10 1607 | SystemParametersInfoForDpi EnableNonClientDpiScaling IsValidDpiAwarenessContext GetThreadDescription
Windows 10 1607 | SetThreadDpiAwarenessContext GetThreadDpiAwarenessContext GetWindowDpiAwarenessContext
Windows 10 1607 | GetAwarenessFromDpiAwarenessContext AreDpiAwarenessContextsEqual
Windows 10 1703 | SetProcessDpiAwarenessContext SetDialogDpiChangeBehavior SetDialogControlDpiChangeBehavior
Windows 10 1703 | OpenThemeDataForDpi
Windows 10 1709 | IsWow64Process2
Windows 10 1803 | GetDpiFromDpiAwarenessContext GetSystemDpiForProcess SetThreadDpiHostingBehavior
Windows 10 1809 | CreatePseudoConsole
Windows 11      | GetTempPath2W
'
# Each imported function as "dll function", from the import tables objdump prints: a line per
# function, its address first and its name last (binutils 2.44 puts an ordinal column between).
# A table read as empty would pass everything.
functions=$(awk '/DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll); next }
    /^$/ { dll = "" }
    dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $NF }' <<<"$headers")
grep -qx 'user32 CreateWindowExW' <<<"$functions" || fail "no function read from the import tables"
too_new=$(awk -F ' *[|] *' '
    NR == FNR { for (i = split($2, names, " "); i; i--) since[names[i]] = $1; next }
    { split($0, imported, " ") }
    imported[2] in since { printf "%s!%s (%s); ", imported[1], imported[2], since[imported[2]] }' \
    <(echo "$later") - <<<"$functions")
[[ -z $too_new ]] || fail "imports what Windows 7 SP1 lacks: $too_new"
# The manifest, as Windows 7 reads it: it names each Windows from 7 on as supported, and its
# dpiAware asks Windows 7 and 8, which read no dpiAwareness, not to scale the program's windows as
# pictures. Under Wine nothing shows it: Wine 8 gives the true dpi to a process with neither.
manifest=$(wrestool -x --raw -t 24 "$exe" | tr -d '\n')
for windows in 7=35138b9a-5d96-4fbd-8e2d-a2440225f93a 8=4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
    8.1=1f676c76-80e1-4239-95bb-83d0f6d0da78 10/11=8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    [[ $manifest == *"<supportedOS Id=\"{${windows#*=}}\"/>"* ]] || fail "the manifest does not name Windows ${windows%=*}"
done
dpi_aware='<dpiAware [^>]*>true/pm</dpiAware>'
[[ $manifest =~ $dpi_aware ]] || fail "the manifest's dpiAware is not true/pm"
for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -qw "$flag" <<<"$headers" || fail "the PE header lacks $flag"
done

# wrestool rebuilds the icon file with some padding after the images; the images are the same.
icon=$(dirname "$0")/../../ui/assets/lightbulb.ico
wrestool -x -t 14 -n 1 "$exe" | cmp -s -n "$(stat -c %s "$icon")" - "$icon" || fail "the file's own icon is not the light bulb"
strings=$(wrestool -x --raw -t 16 "$exe" | strings -el | tr '\n' '|')
IFS=. read -r major minor patch <<<"$version"
short=$(printf '%d.%02d' "$major" "$minor")
for pair in "ProductName|Brelunda" "InternalName|Brelunda" "OriginalFilename|Brelunda.exe" "FileVersion|$short" \
    "ProductVersion|$short" "040904B0"; do
    [[ $strings == *"|$pair|"* ]] || fail "the version block lacks $pair"
done
# The fixed part follows the 0xFEEF04BD signature: after the structure's version, the file version
# as two 32-bit numbers, each a high and a low 16-bit half.
wrestool -x --raw -t 16 "$exe" >"$scratch/version"
at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$scratch/version" | cut -d: -f1)
read -r minor_field major_field zero_field patch_field < <(od -An -tu2 -j $((at + 8)) -N 8 "$scratch/version")
[[ $major_field.$minor_field.$patch_field.$zero_field == "$major.$minor.$patch.0" ]] ||
    fail "the fixed file version is $major_field.$minor_field.$patch_field.$zero_field"
echo "windows exe: imports $imports($(wc -l <<<"$functions") functions, none Windows 7 SP1 lacks);" \
    "$(stat -c %s "$exe") bytes; version $short"

# Shared by scripts/test, scripts/run and scripts/screenshot: the builds, the
# private Wine prefix in the build tree, a private Xvfb display and a
# persistent wineserver. Source it; it defines functions and sets no traps.
#
# Two builds live under the build folder: x64/ (64-bit, with the tests; it is
# what runs under Wine here, whose kernel runs no 32-bit code) and i686/ (the
# 32-bit deliverables, without tests).

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
wine="$root/scripts/wine"

missing_tools() {
    for t in cmake ninja g++ i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix \
             wineserver Xvfb xdpyinfo socat import xdotool clang++-16; do
        command -v "$t" >/dev/null 2>&1 || { echo "$t"; return; }
    done
    [ -x /usr/lib/wine/wine64 ] || echo wine64
    [ -d /usr/src/googletest ] || echo googletest
    [ -d /usr/lib/llvm-16/lib/clang/16/lib/linux ] || echo libclang-rt-16-dev
    [ -f /usr/share/wine/fonts/marlett.ttf ] || echo fonts-wine
}

ensure_tools() {
    m=$(missing_tools)
    if [ -n "$m" ]; then
        echo "setup: $m is missing, installing the tool set" >&2
        "$root/scripts/setup"
    fi
}

configure() {
    # $1 = tree name, $2 = toolchain, rest = cache settings
    tree=$1 toolchain=$2
    shift 2
    # shellcheck disable=SC2086
    cmake -S "$root" -B "$build/$tree" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" "$@" ${VEXO_CMAKE_ARGS:-} >/dev/null
}

# BUILD_TARGETS narrows the build to some targets of the 64-bit tree (a
# developer's quick loop); the default builds both trees completely.
# VEXO_CMAKE_ARGS adds cache settings, for example
# -DVEXO_SKIP_SUBSYSTEMS=simulator to leave a folder out.
configure_and_build() {
    configure x64 toolchain-x86_64.cmake -DVEXO_TESTS=ON
    if [ -n "${BUILD_TARGETS:-}" ]; then
        # shellcheck disable=SC2086
        cmake --build "$build/x64" --target $BUILD_TARGETS
        return
    fi
    cmake --build "$build/x64"
    configure i686 toolchain-i686.cmake -DVEXO_TESTS=OFF
    cmake --build "$build/i686"
    for sanitizer in address thread; do
        configure_native "$sanitizer"
        cmake --build "$build/native-$sanitizer"
    done
}

# The native Linux trees of the plain C++ cores (native/CMakeLists.txt):
# native-address (AddressSanitizer and UndefinedBehaviorSanitizer, with the
# fuzz targets) and native-thread (ThreadSanitizer).
configure_native() {
    cmake -S "$root/native" -B "$build/native-$1" -G Ninja \
        -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16 -DVEXO_SANITIZER="$1" >/dev/null
}

# Makes the prefix once; parallel creation fails intermittently, so nothing
# else may run in it while this happens.
# The marker names the version of the settings below; a prefix made with
# older settings is made again.
prefix_marker="$WINEPREFIX/.vexo-ready-2"
ensure_prefix() {
    if [ -f "$prefix_marker" ]; then
        install_wine_fonts
        return 0
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i </dev/null >/dev/null 2>&1
    # A crashing program must fail, not wait for a person at a dialog.
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    # There is no window manager on the test display: unmanaged windows
    # hide at once instead of waiting two seconds for one to answer.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
    wineserver -w
    install_wine_fonts
    touch "$prefix_marker"
}

# Wine draws the caption buttons and the arrow buttons with the Marlett
# symbol font, which it looks for among the prefix's fonts (Debian's Wine
# does not read the copy fonts-wine installs beside it): without it they
# show letters and digits ("0 2 r") or nothing. Only Marlett is copied, so
# the text fonts the tests measure stay as they are.
install_wine_fonts() {
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
        mkdir -p "$fonts"
        cp /usr/share/wine/fonts/marlett.ttf "$fonts/marlett.ttf"
    fi
}

# Y lets a real display's window manager decorate and place the windows;
# N (the prefix's setting, for the private test display) does without one.
set_managed_windows() {
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$1" /f </dev/null >/dev/null 2>&1
}

xvfb_pid=
start_xvfb() {
    n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -ac >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    tries=0
    until xdpyinfo >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "Xvfb did not start on $DISPLAY" >&2
            return 1
        fi
        sleep 0.1
    done
}

# The server lists the objects still open when it ends; that goes to a log
# of its own, not into the tests' output.
start_wineserver() {
    wineserver -p >"$build/wineserver.log" 2>&1
}

stop_all() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}

# The editor's keyword file, where the editor looks for it: the maker's
# folder under the common program files folder.
install_keywords() {
    keywords="$build/x64/bin/VexoBASIC.xml"
    if [ -f "$keywords" ]; then
        common="$WINEPREFIX/drive_c/Program Files/Common Files/VexoLabs"
        mkdir -p "$common"
        cp "$keywords" "$common/VexoBASIC.xml"
    fi
}

# The link Vorta2's start-up search tries: the simulator window link, when
# no link is stored yet.
store_simulator_link() {
    links='HKCU\Software\VexoLabs\Vorta2\CommLinks'
    if ! "$wine" reg query "$links\Link00" </dev/null >/dev/null 2>&1; then
        "$wine" reg add "$links\Link00" /v Type /t REG_SZ /d QCSim /f </dev/null >/dev/null 2>&1
        "$wine" reg add "$links\Link00" /v Unused /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
        "$wine" reg add "$links\Link00" /v Active /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
        echo "stored the simulator link QCSim as the first comms link"
    fi
}

# The project folder Vorta2 is to start on, named by its folder on the
# command line: empty when the user's last project (the first of the
# recent projects, which Vorta2 opens by itself) is there; else the demo
# project in $1/Demo, made when it is missing. Without a project the
# start-up would ask for one and connect without identification.
startup_project() {
    last=$("$wine" reg query 'HKCU\Software\VexoLabs\Vorta2\Projects' /v Project00 </dev/null 2>/dev/null |
        tr -d '\r' | sed -n 's/^ *Project00 *REG_SZ *//p')
    if [ -n "$last" ] && [ -f "$(winepath -u "$last" 2>/dev/null)" ]; then
        return 0
    fi
    mkdir -p "$1/Demo"
    [ -f "$1/Demo/Demo.prj" ] || printf '[Project]\r\nName=Demo\r\n' >"$1/Demo/Demo.prj"
    echo "$1/Demo"
}

# Starts Vorta2 in the background as scripts/run does: on the user's last
# project, else on the demo project in $1 (see startup_project); its output
# goes to $1/Vorta2.log. Sets vorta2_pid and vorta2_project (empty for the
# last project).
start_vorta2() {
    vorta2_project=$(startup_project "$1")
    exe="$build/x64/bin/Vorta2.exe"
    if [ -n "$vorta2_project" ]; then
        echo "starting Vorta2 on $vorta2_project; its start-up search starts QCSimulation"
        (cd "$build/x64/bin" && exec "$wine" "$exe" "$(winepath -w "$vorta2_project" 2>/dev/null || echo "$vorta2_project")" \
            >"$1/Vorta2.log" 2>&1 </dev/null) &
    else
        echo "starting Vorta2 on its last project; its start-up search starts QCSimulation"
        (cd "$build/x64/bin" && exec "$wine" "$exe" >"$1/Vorta2.log" 2>&1 </dev/null) &
    fi
    vorta2_pid=$!
}

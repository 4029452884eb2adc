# Sourced by the Wine tests: finds the Wine loader for an architecture,
# checks that it starts, and makes (once) the private Wine prefix they share.
# The caller defines say, skip and fail. After `wine_prepare ARCH` (i386 or
# x86_64): $loader runs programs of that architecture, $version names Wine,
# and WINELOADER, WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES are exported.
#
#   DELVER_WINEPREFIX   the prefix to use (default: a private one under /tmp,
#                       made on first use and kept, since making one takes
#                       minutes)
#
# After wine_prepare, `wine_fail_or_skip MESSAGE` ends a test whose Windows
# program failed: as skipped when Wine itself can no longer start a trivial
# program (saying Wine's own words), else as failed.

wine_runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# On machines that run no 32-bit x86 code, 32-bit programs go through
# qemu-i386 (tests/wine/install_wine.sh). Without a reserved guest address
# space qemu puts the program's memory wherever the host has room at that
# moment, and on a machine that has been up a while that can be where Wine
# must map its shared user data (0x7ffe0000): every 32-bit Wine program then
# dies at start with "failed to map the shared user data". Reserving the
# whole 32-bit space up front keeps Wine's fixed addresses free. qemu reads
# this variable whether it is started by hand or through binfmt_misc; no
# other program does.
export QEMU_RESERVED_VA=0xffff0000

# Can Wine start a trivial program (its own cmd.exe) in the prefix? On
# failure, $wine_start_error holds Wine's own words (its err: lines, which
# the tests otherwise hide with WINEDEBUG=-all).
wine_starts_trivial() {
    local out status
    out=$(WINEDEBUG=err+all timeout -k 10 300 "$loader" cmd.exe /c echo delver-wine-starts 2>&1)
    status=$?
    if [ "$status" -eq 0 ] && printf '%s' "$out" | grep -q delver-wine-starts; then
        wine_start_error=""
        return 0
    fi
    wine_start_error=$(printf '%s\n' "$out" | grep -E 'err:|wine:|error' | head -5)
    [ -n "$wine_start_error" ] || wine_start_error=$(printf '%s\n' "$out" | tail -5)
    [ "$status" -ne 124 ] && [ "$status" -ne 137 ] || wine_start_error="no answer within 300 s. $wine_start_error"
    wine_start_error="exit $status: $wine_start_error"
    return 1
}

wine_fail_or_skip() {
    if ! wine_starts_trivial; then
        say "Wine's own message: $wine_start_error"
        skip "Wine ($WINELOADER) can no longer start even a trivial program here, so our program's failure says" \
             "nothing about our code: $*"
    fi
    fail "$*"
}

wine_prepare() {
    local arch=$1
    command -v xvfb-run >/dev/null 2>&1 || skip "xvfb-run is not installed (tests/wine/install_wine.sh installs it)"
    command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed (tests/wine/install_wine.sh installs it)"
    if [ "$arch" = i386 ]; then
        loader=/usr/lib/wine/wine
        [ -x "$loader" ] || loader=$(command -v wine 2>/dev/null || true)
    else
        loader=/usr/lib/wine/wine64
        [ -x "$loader" ] || loader=$(command -v wine64 2>/dev/null || true)
    fi
    [ -n "$loader" ] && [ -x "$loader" ] ||
        skip "no $arch Wine loader is installed (tests/wine/install_wine.sh installs wine32 and wine64)"
    export WINELOADER=$loader
    export WINEDEBUG=-all
    # No Mono or Gecko installer may ask anything while the prefix is made.
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    if ! version=$(timeout 120 "$loader" --version 2>&1); then
        if [ "$arch" = i386 ] && ! wine_runs_32bit; then
            skip "this machine does not run 32-bit x86 programs, so 32-bit Wine cannot start" \
                 "(tests/wine/install_wine.sh routes them through qemu-i386): $version"
        fi
        skip "the $arch Wine loader does not start: $version"
    fi

    # One prefix serves both architectures: made by the 64-bit loader while
    # the 32-bit one works too, it holds both halves of Windows (system32 and
    # syswow64). A prefix made while 32-bit programs could not run lacks the
    # 32-bit half, so its ready mark records which halves it has.
    local maker=/usr/lib/wine/wine64 halves=64
    [ -x "$maker" ] || maker=$loader
    if wine_runs_32bit && [ -x /usr/lib/wine/wine ]; then halves=32+64; fi
    if [ "$maker" = "$loader" ] && [ "$arch" = i386 ]; then halves=32; fi
    export WINEPREFIX=${DELVER_WINEPREFIX:-/tmp/delver-wineprefix-$(id -u)}
    local ready="$WINEPREFIX/.delver-ready"
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        # One maker at a time; a prefix left half made by a killed run, or
        # one without the half this program needs, is made again.
        if command -v flock >/dev/null 2>&1; then flock 9; fi
        have=$(cat "$ready" 2>/dev/null || true)
        case "$arch:$have" in
            i386:32 | i386:32+64 | x86_64:64 | x86_64:32+64) exit 0 ;;
        esac
        rm -rf "$WINEPREFIX"
        say "making the Wine prefix $WINEPREFIX (minutes, once)"
        start=$(date +%s)
        if ! WINELOADER=$maker timeout -k 10 1200 "$maker" wineboot -i >/dev/null 2>&1; then
            rm -rf "$WINEPREFIX"
            exit 1
        fi
        "$(dirname "$maker")/wineserver" -w 2>/dev/null || true
        echo "$halves" >"$ready"
        say "prefix made in $(($(date +%s) - start)) s"
    ) 9>"$WINEPREFIX.lock" || skip "Wine could not make its prefix $WINEPREFIX"

    # A loader that prints its version may still be unable to start a
    # program (under qemu, a taken address): that is Wine's failure on this
    # machine, not ours, and the test is skipped with Wine's own words.
    if ! wine_starts_trivial; then
        say "Wine's own message: $wine_start_error"
        skip "the $arch Wine cannot start a trivial program (cmd.exe) here: $wine_start_error"
    fi
}

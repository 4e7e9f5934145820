# Sourced by the scripts: where things live, and helpers they share.
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Built interpreters and the clean-room root live outside the repository and
# are reused between clones.
cache=${TAVRIC_CACHE:-$HOME/.cache/tavric}
ft_prefix=$cache/python3.13t
ft_python=$ft_prefix/bin/python3.13t

log() { printf '[%s] %s\n' "$(basename "$0")" "$*" >&2; }

# The Debian mirror from the machine's own apt configuration; nothing is edited.
debian_mirror() {
    local uri
    uri=$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' | grep -v security | head -n1 || true)
    if [ -z "$uri" ]; then
        uri=$(grep -hs '^deb ' /etc/apt/sources.list | awk '{print $2}' | grep -v security | head -n1 || true)
    fi
    [ -n "$uri" ] || { echo "no Debian mirror found in the apt sources" >&2; exit 1; }
    echo "$uri"
}

# A standard (GIL) 3.13, when the machine has one: Debian's or pyenv's.
find_gil_python() {
    local c
    for c in /usr/bin/python3.13 "$HOME"/.pyenv/versions/3.13*/bin/python3.13; do
        [ -x "$c" ] || continue
        if "$c" -c 'import sys, sysconfig; sys.exit(bool(sysconfig.get_config_var("Py_GIL_DISABLED")))' 2>/dev/null &&
           "$c" -c 'import venv, ensurepip' 2>/dev/null; then
            echo "$c"; return
        fi
    done
}

apt_install() {  # packages...
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    log "installing system packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Runs a command with its output in a log file, printing a line every 30 s so
# that a long build is seen to move; the log's tail is shown if it fails.
run_logged() {  # description, log file, command...
    local what=$1 file=$2 started=$SECONDS
    shift 2
    "$@" >"$file" 2>&1 &
    local pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        sleep 1
        if (( (SECONDS - started) % 30 == 0 )); then log "  $what: $((SECONDS - started)) s so far"; fi
    done
    if ! wait "$pid"; then
        tail -n 30 "$file" >&2
        log "$what failed; the whole log is $file"
        return 1
    fi
    log "  $what: done in $((SECONDS - started)) s"
}

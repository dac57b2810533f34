#!/usr/bin/env bash
# Starts or stops a private PulseAudio daemon with a null sink for the end-to-end tests.
# Everything it uses lives under the directory given: the runtime dir (mode 700), HOME and
# the XDG dirs, so the user's own sound server and settings are never touched.
#   pulse_fixture.sh start|stop DIR
# Exits 77 (skipped) when PulseAudio is not installed.
set -euo pipefail

action=$1
dir=$2
export PULSE_RUNTIME_PATH=$dir/run
export HOME=$dir/home
export XDG_RUNTIME_DIR=$dir/xdg
export XDG_CONFIG_HOME=$dir/home/.config
export XDG_STATE_HOME=$dir/home/.local/state
unset PULSE_SERVER

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    echo "pulseaudio or pactl not installed: skipping"
    exit 77
fi

stop_daemon() {
    local pidfile=$PULSE_RUNTIME_PATH/pid
    [ -f "$pidfile" ] || return 0
    local pid
    pid=$(cat "$pidfile")
    if kill "$pid" 2>/dev/null; then
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
    fi
    rm -f "$pidfile"
}

case $action in
start)
    stop_daemon # a daemon left over from an interrupted run
    mkdir -p "$PULSE_RUNTIME_PATH" "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"
    chmod 700 "$PULSE_RUNTIME_PATH" "$XDG_RUNTIME_DIR"
    pulseaudio --daemonize=yes -n --exit-idle-time=-1 --disallow-exit --use-pid-file=yes \
        --log-target="file:$PULSE_RUNTIME_PATH/log" \
        -L "module-native-protocol-unix auth-anonymous=1" \
        -L "module-null-sink sink_name=testsink rate=44100 channels=2" \
        -L module-always-sink
    for _ in $(seq 100); do
        if pactl info >/dev/null 2>&1; then
            pactl set-default-sink testsink
            echo "pulseaudio running, pid $(cat "$PULSE_RUNTIME_PATH/pid")"
            exit 0
        fi
        sleep 0.1
    done
    echo "pulseaudio did not answer; its log:"
    cat "$PULSE_RUNTIME_PATH/log" || true
    exit 1
    ;;
stop)
    stop_daemon
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac

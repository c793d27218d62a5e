#!/usr/bin/env bash
# .ci/debian13.sh prepare|test: Debian 13 ("trixie") in a root of its own on
# the CI machine, for .ci/run.
#   prepare  makes the root when it is missing (debootstrap, minbase) and
#            installs in it what the README's test command needs
#   test     copies the checkout into the root (/srv/tombora, made anew)
#            and runs the README's test command there, as on a fresh
#            Debian 13 machine
# The root is kept between runs in $TOMBORA_CI_ROOT (by default
# /var/cache/tombora-ci/trixie), so it is made once per machine. While a
# step runs, /proc, /sys, /dev, /dev/pts and /dev/shm are bound into it;
# when it ends, whatever it left running in the root is ended and they
# are unmounted, whether it passed or not. One step at a time holds the
# root (a lock beside it). Runs as root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=$(realpath -m "${TOMBORA_CI_ROOT:-/var/cache/tombora-ci/trixie}")
mounts=(proc sys dev dev/pts dev/shm)

# apt_source NAME: the address of the machine's own Debian archive of that
# name ("debian", "debian-security"), as its apt sources give it: the root
# fetches from where the machine does.
apt_source() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        if [ -f "$f" ]; then
            sed -n "s|^URIs:.*[[:space:]]\([^[:space:]]*/$1\)/\?\([[:space:]].*\)\?$|\1|p; s|^URIs: *\([^[:space:]]*/$1\)/\?$|\1|p; s|^deb \(\[[^]]*\] \)\?\([^[:space:]]*/$1\)/\? .*|\2|p" "$f"
        fi
    done | sed -n 1p
}

make_root() {
    [ -x "$root/usr/bin/apt-get" ] && return 0
    local mirror security
    mirror=$(apt_source debian)
    security=$(apt_source debian-security)
    [ -n "$mirror" ] || { echo "no Debian archive in this machine's apt sources" >&2; return 1; }
    echo "Making the Debian 13 root in $root from $mirror"
    # A half-made root of an interrupted run goes; never what debootstrap
    # may have left mounted in it.
    rm -rf --one-file-system "$root.new"
    debootstrap --variant=minbase trixie "$root.new" "$mirror"
    # As a fresh installation has them: the point releases and security.
    cat >"$root.new/etc/apt/sources.list" <<EOF
deb $mirror trixie main
deb $mirror trixie-updates main
${security:+deb $security trixie-security main}
EOF
    mv "$root.new" "$root"
}

# The machine's name and its resolver, which may change between runs.
machine_files() {
    printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n::1\tlocalhost ip6-localhost ip6-loopback\n' \
        "$(hostname)" >"$root/etc/hosts"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
}

mount_all() {
    local m
    for m in "${mounts[@]}"; do
        mountpoint -q "$root/$m" || mount --bind "/$m" "$root/$m"
    done
}

# The processes whose root is ours: started in it by this step.
in_root() {
    local p
    for p in /proc/[0-9]*; do
        if [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ]; then echo "${p#/proc/}"; fi
    done
}

release() {
    local pids m i
    pids=$(in_root)
    if [ -n "$pids" ]; then
        echo "Ending what was left running in the root: ${pids//$'\n'/ }"
        # shellcheck disable=SC2086  # one pid a word
        kill -TERM $pids 2>/dev/null || true
        for i in 1 2 3 4 5; do
            pids=$(in_root)
            [ -z "$pids" ] && break
            sleep 1
        done
        # shellcheck disable=SC2086
        [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
    fi
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        m=$root/${mounts[i]}
        mountpoint -q "$m" && { umount "$m" || umount --lazy "$m"; }
    done
}

in_root_run() {
    chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 TERM=dumb "$@" </dev/null
}

copy_checkout() {
    local copy=$root/srv/tombora
    rm -rf "$copy"
    mkdir -p "$copy"
    git -C "$top" ls-files -z --cached --others --exclude-standard |
        tar -C "$top" --null -T - -cf - | tar -C "$copy" -xf -
}

step=${1:-}
case $step in
    prepare | test) ;;
    *)
        echo "usage: debian13.sh prepare|test" >&2
        exit 2
        ;;
esac
mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9
if [ "$step" = prepare ]; then make_root; fi
[ -x "$root/usr/bin/apt-get" ] || { echo "no Debian 13 root in $root: run prepare first" >&2; exit 1; }
machine_files
trap release EXIT
mount_all
copy_checkout
if [ "$step" = prepare ]; then
    in_root_run bash /srv/tombora/scripts/setup.sh test
else
    in_root_run bash -c 'cd /srv/tombora && bash scripts/test.sh'
fi

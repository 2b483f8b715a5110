#!/usr/bin/env bash
# The server's Debian package where no systemd runs: built by scripts/make-server-deb,
# installed into a scratch root with dpkg (maintainer scripts included), its unit verified and
# scored by systemd-analyze, the installed program started with the installed settings, then
# purged.
#
#   package_test.sh BUILD_TREE WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$1" work="$2"
rm -rf "$work" && mkdir -p "$work"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

package=$("$here/scripts/make-server-deb" --build "$build" --out "$work")
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status"
dpkg_in_root() {
  local force=(--force-script-chrootless --force-depends)
  [ "$(id -u)" -eq 0 ] || force+=(--force-not-root)
  dpkg --root="$root" --log=/dev/null "${force[@]}" "$@" >"$work/dpkg.out" 2>&1 ||
    { cat "$work/dpkg.out" >&2; fail "dpkg $*"; }
}
dpkg_in_root -i "$package"

# What the package put in place, and the secret its first install made.
for file in usr/sbin/newsrail_server lib/systemd/system/newsrail-server.service \
            etc/newsrail/server.conf etc/logrotate.d/newsrail-server \
            usr/share/newsrail/nginx.conf usr/share/newsrail/sample/feeds.txt; do
  [ -f "$root/$file" ] || fail "missing /$file"
done
secret="$root/etc/newsrail/session-secret"
[ "$(stat -c %a "$secret")" = 600 ] || fail "the secret is $(stat -c %a "$secret"), not 600"
[ "$(tr -d '\n' <"$secret" | wc -c)" -ge 40 ] || fail "the secret is short"
before=$(cat "$secret")
dpkg_in_root -i "$package"
[ "$(cat "$secret")" = "$before" ] || fail "a reinstall changed the secret"
grep -qx /etc/newsrail/server.conf "$root/var/lib/dpkg/info/newsrail-server.conffiles" ||
  fail "server.conf is not a conffile"

# systemd-analyze reads the unit as installed: the targets it names and the programs it runs
# must be there, as on a real system.
cp -a /lib/systemd/system/*.target "$root/lib/systemd/system/"
mkdir -p "$root/bin" && cp /bin/kill "$root/bin/kill"
systemd-analyze verify --root="$root" /lib/systemd/system/newsrail-server.service ||
  fail "systemd-analyze verify"
score=$(systemd-analyze security --offline=yes --root="$root" newsrail-server.service 2>&1 |
  sed -n 's/.*Overall exposure level for newsrail-server.service: //p')
echo "systemd-analyze security: $score"
case "$score" in
  *" SAFE"* | *" OK"*) ;;
  *) fail "exposure \"$score\" is not OK or better" ;;
esac
for setting in DynamicUser=yes StateDirectory=newsrail LogsDirectory=newsrail \
                ProtectSystem=strict ProtectHome=yes NoNewPrivileges=yes PrivateTmp=yes \
                SystemCallFilter=@system-service "CapabilityBoundingSet=" \
                "ExecReload=/bin/kill -HUP \$MAINPID"; do
  grep -qxF "$setting" "$root/lib/systemd/system/newsrail-server.service" || fail "no $setting"
done

# The installed program with the installed settings (its folders moved into the scratch root).
mkdir -p "$root/var/log/newsrail" "$root/var/lib/newsrail"
"$root/usr/sbin/newsrail_server" --config "$root/etc/newsrail/server.conf" \
  --content "$root/usr/share/newsrail/sample" --log "$root/var/log/newsrail/server.log" \
  --state-dir "$root/var/lib/newsrail" --session-secret "$secret" \
  --port 0 --port-file "$work/port" >"$work/server.out" 2>&1 &
pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { cat "$work/server.out" >&2; fail "the installed program did not start"; }
base="http://127.0.0.1:$(cat "$work/port")"
curl -sf --noproxy '*' "$base/tlx/update?news=2,rt,&120000" | head -c 1 | od -An -c | grep -q 016 ||
  fail "no feed from the installed program"
curl -sf --noproxy '*' "$base/config/tlxlogin?login=alice&passwd=wonderland" | grep -q OK ||
  fail "no login with the installed secret"
kill "$pid" && wait "$pid" || fail "the program did not stop cleanly"
pid=""
[ -f "$root/var/lib/newsrail/password-changes" ] || fail "nothing in the state folder"

dpkg_in_root --purge newsrail-server
[ ! -e "$secret" ] || fail "purging left the secret"
[ ! -e "$root/usr/sbin/newsrail_server" ] || fail "purging left the program"
echo "package: installed, verified, started and purged"

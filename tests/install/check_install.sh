#!/usr/bin/env bash
# Installs the build into a temporary root (DESTDIR, prefix /usr), checks that every file a desktop
# install needs is where the desktop looks for it, validates the desktop entry and the AppStream
# metainfo, and runs the installed program's --version, which must find its help file and template
# inside that root.
#   check_install.sh <build dir>
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

fail=0
expect() {
    if [ ! -e "$root/usr/$1" ]; then
        echo "missing: /usr/$1"
        fail=1
    fi
}
expect bin/qz407
expect share/qz407/QZ407HELP.htm
expect share/qz407/template/graph.ghf
expect share/applications/org.qz407.qz407.desktop
expect share/metainfo/org.qz407.qz407.metainfo.xml
expect share/mime/packages/org.qz407.qz407.xml
expect share/icons/hicolor/scalable/apps/qz407.svg
for size in 16 32 48 64 128 256; do
    expect share/icons/hicolor/${size}x${size}/apps/qz407.png
done
expect lib/udev/rules.d/60-qz407.rules
expect share/man/man1/qz407.1.gz
expect share/doc/qz407/copyright
expect share/doc/qz407/changelog.gz
if [ -e "$build/src/cli/qz407-cli" ]; then
    expect bin/qz407-cli
    expect share/man/man1/qz407-cli.1.gz
    zcat "$root/usr/share/man/man1/qz407-cli.1.gz" | grep -qx '.SH EXIT STATUS' || {
        echo "qz407-cli manual page without its sections"
        fail=1
    }
fi
if [ -e "$build/src/cli/qz407-cli" ]; then
    expect lib/systemd/user/qz407-log.service
    expect share/qz407/log.env
    # The service's command line, with the unit's default settings, runs the installed logger: it
    # writes its day file (here on the simulated meter, for two readings).
    unit="$root/usr/lib/systemd/user/qz407-log.service"
    exec_line=$(sed -n 's/^ExecStart=//p' "$unit")
    case "$exec_line" in
    /usr/bin/qz407-cli\ log\ *) ;;
    *) echo "qz407-log.service does not start /usr/bin/qz407-cli log: $exec_line"; fail=1 ;;
    esac
    eval "$(sed -n 's/^Environment=/export /p' "$unit")"
    export QZ407_LOG_DIR="$root/logs"
    set -f
    # shellcheck disable=SC2086 # the words of the unit's command line, as systemd splits them
    args=($(eval echo "\"${exec_line#/usr/bin/qz407-cli }\""))
    set +f
    env -u DISPLAY HOME="$root" XDG_CONFIG_HOME="$root/config" "$root/usr/bin/qz407-cli" "${args[@]}" \
        --demo --demo-virtual-time --count 2 || { echo "the service's command line failed"; fail=1; }
    [ "$(cat "$root"/logs/qz407-*.csv 2>/dev/null | wc -l)" = 3 ] || { echo "the service wrote no day file"; fail=1; }
fi
grep -q 'ATTRS{idVendor}=="04d9", ATTRS{idProduct}=="e000", TAG+="uaccess"' \
    "$root/usr/lib/udev/rules.d/60-qz407.rules" || { echo "udev rule without the meter's ids"; fail=1; }

desktop-file-validate "$root/usr/share/applications/org.qz407.qz407.desktop" || fail=1
# The desktop entry takes file names and says which types it opens.
entry="$root/usr/share/applications/org.qz407.qz407.desktop"
grep -qx 'Exec=qz407 %F' "$entry" || { echo "desktop entry without %F"; fail=1; }
grep -qx 'MimeType=application/x-qz407-graph;application/x-qz407-collection;' "$entry" || {
    echo "desktop entry without the program's file types"
    fail=1
}

# The file types: valid shared-mime-info, and known by their names and a graph file's signature.
mime_xml="$root/usr/share/mime/packages/org.qz407.qz407.xml"
if command -v xmllint >/dev/null; then
    xmllint --noout "$mime_xml" || fail=1
else
    echo "xmllint not found: file types not validated (scripts/setup installs libxml2-utils)"
    fail=1
fi
if command -v update-mime-database >/dev/null; then
    XDG_DATA_DIRS="$root/usr/share" update-mime-database "$root/usr/share/mime" || fail=1
    for type in application/x-qz407-graph application/x-qz407-collection; do
        [ -e "$root/usr/share/mime/$type.xml" ] || { echo "update-mime-database gave no $type"; fail=1; }
        grep -q "^$type:" "$root/usr/share/mime/types" 2>/dev/null || grep -qx "$type" "$root/usr/share/mime/types" || {
            echo "$type not in the types list"
            fail=1
        }
    done
    grep -q '\*\.ghf' "$root/usr/share/mime/globs2" && grep -q '\*\.407' "$root/usr/share/mime/globs2" || {
        echo "the globs of the file types are missing"
        fail=1
    }
    # The graph file's signature: four bytes of length, then QZ407CHT.
    grep -qa 'QZ407CHT' "$root/usr/share/mime/magic" || { echo "graph signature missing from magic"; fail=1; }
else
    echo "update-mime-database not found: file types not checked (scripts/setup installs shared-mime-info)"
    fail=1
fi
appstreamcli validate --no-net "$root/usr/share/metainfo/org.qz407.qz407.metainfo.xml" >/dev/null || {
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.qz407.qz407.metainfo.xml"
    fail=1
}

# The installed program finds what it was installed with, not the build folder's files.
version=$(env -u DISPLAY XDG_DATA_HOME="$root/xdg" HOME="$root" "$root/usr/bin/qz407" --version)
echo "$version"
grep -qx 'QZ407 3.0.2.0' <<<"$version" || { echo "wrong version line"; fail=1; }
grep -qx "help: $root/usr/share/qz407/QZ407HELP.htm" <<<"$version" || { echo "help not found in the install"; fail=1; }
grep -qx "template: $root/usr/share/qz407/template/graph.ghf" <<<"$version" || {
    echo "template not found in the install"
    fail=1
}
exit $fail

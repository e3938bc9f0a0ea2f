#!/usr/bin/env bash
# check_install.sh BUILD: installs BUILD into a scratch DESTDIR with prefix
# /usr and checks what a desktop user gets: the program folder, the links in
# bin that still find the libraries, the menu entry, icon, file types,
# metainfo, manual pages and completion, and that an installed program keeps
# its temporary files out of its folder.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
DESTDIR=$scratch/root cmake --install "$build" --prefix /usr >/dev/null
usr=$scratch/root/usr
failed=0
fail() { echo "FAILED: $*"; failed=1; }

expected=(lib/orvane/orvane-cli lib/orvane/libTarvoComp.so lib/orvane/libTarvoCompC.so lib/orvane/libPack.so
  lib/orvane/FILEINFO/SAMPLE.INF lib/orvane/ORVANE.INSTALLED
  share/applications/org.orvane.Orvane.desktop share/metainfo/org.orvane.Orvane.metainfo.xml
  share/icons/hicolor/scalable/apps/orvane.svg share/icons/hicolor/48x48/apps/orvane.png
  share/icons/hicolor/256x256/apps/orvane.png share/mime/packages/orvane.xml
  share/man/man1/orvane.1.gz share/man/man1/orvane-cli.1.gz share/bash-completion/completions/orvane-cli
  share/doc/orvane/copyright)
programs=(orvane-cli)
[ -x "$build/bin/orvane" ] && programs+=(orvane)
for program in "${programs[@]}"; do
  expected+=("lib/orvane/$program")
  [ "$(readlink "$usr/bin/$program")" = "../lib/orvane/$program" ] || fail "bin/$program is no link into lib/orvane"
  "$usr/bin/$program" --version | grep -q "^$program .* [0-9]" || fail "$program --version"
done
for f in "${expected[@]}"; do [ -e "$usr/$f" ] || fail "missing $f"; done

desktop-file-validate "$usr/share/applications/org.orvane.Orvane.desktop" || fail "desktop-file-validate"
grep -q '^MimeType=application/x-hqr-archive;application/x-hqr-voice-archive;$' \
  "$usr/share/applications/org.orvane.Orvane.desktop" || fail "the menu entry's MimeType"
appstreamcli validate --no-net "$usr/share/metainfo/org.orvane.Orvane.metainfo.xml" >/dev/null || fail "appstreamcli validate"
for glob in hqr vox ile obl hqs ovs; do
  grep -q "<glob pattern=\"\*\.$glob\"/>" "$usr/share/mime/packages/orvane.xml" || fail "no file type for *.$glob"
done
bash -n "$usr/share/bash-completion/completions/orvane-cli" || fail "completion syntax"

# Through the link the libraries of the program folder load: okumura runs
# through libTarvoCompC.so and temporary files, which an installed program
# keeps in a private folder of $TMPDIR that goes when it ends.
printf 'abcabcabcabcabcabcabcabcabcabcabcabc' >"$scratch/in"
HOME=$scratch/home TMPDIR=$scratch "$usr/bin/orvane-cli" compress --type 1 --method okumura "$scratch/in" \
  "$scratch/out" >/dev/null || fail "installed orvane-cli compress --method okumura"
[ -z "$(find "$scratch" -maxdepth 1 -name 'orvane-*')" ] || fail "the private temporary folder stayed"
exit $failed

#!/usr/bin/env bash
# The release archive holds exactly pex-<version>-linux-x86_64/ with the
# program, the sound library, every file of data/ and README.txt, owned by root;
# the Debian package holds the program, its links and every file of data/ where
# the layout puts them, owned by root.
#   check-contents.sh DATA ARCHIVE DEB
set -euo pipefail
data=$1 archive=$2 deb=$3
status=0
fail() { echo "$*" >&2; status=1; }
data_files() { (cd "$data" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

top=$(basename "$archive" .tar.gz)
expected=$({ data_files; printf '%s\n' README.txt pex libfmod.so; } | sed "s|^|$top/|" | LC_ALL=C sort)
listed=$(tar -tzf "$archive" | grep -v '/$' | LC_ALL=C sort)
diff <(echo "$expected") <(echo "$listed") || fail "$archive does not hold the expected files"
tar -tvzf "$archive" --numeric-owner | awk '$2 != "0/0" { print; bad = 1 } END { exit bad }' ||
  fail "$archive has entries not owned by root"
tar -tvzf "$archive" "$top/pex" | grep -q '^-rwxr-xr-x' || fail "$archive: pex is not executable"
echo "$archive: $(echo "$listed" | wc -l) files"

listing=$(dpkg-deb -c "$deb")
awk '$2 != "root/root" { print; bad = 1 } END { exit bad }' <<<"$listing" ||
  fail "$deb has entries not owned by root"
paths=$(awk '{ print $6 }' <<<"$listing" | sed 's|^\./|/|')
for path in /usr/lib/games/pex/pex /usr/lib/games/pex/libfmod.so /usr/share/man/man6/pex.6.gz \
            /usr/share/doc/pex/copyright /usr/share/doc/pex/changelog.gz \
            /usr/share/icons/hicolor/16x16/apps/pex.png /usr/share/icons/hicolor/256x256/apps/pex.png \
            $(data_files | sed 's|^|/usr/share/games/pex/|'); do
  grep -qxF "$path" <<<"$paths" || fail "$deb lacks $path"
done
grep -q '^-rwxr-xr-x .* \./usr/lib/games/pex/pex$' <<<"$listing" || fail "$deb: pex is not executable"
grep -q ' \./usr/games/pex -> \.\./lib/games/pex/pex$' <<<"$listing" || fail "$deb: no /usr/games/pex"
for name in $(ls "$data"); do
  grep -q " \./usr/lib/games/pex/$name -> \.\./\.\./\.\./share/games/pex/$name\$" <<<"$listing" ||
    fail "$deb: no link to $name beside the program"
done
grep -q '^\./usr/share/applications/.*\.desktop$' <<<"$(awk '{ print $6 }' <<<"$listing")" ||
  fail "$deb has no desktop entry"
grep -q '^\./usr/share/metainfo/.*\.metainfo\.xml$' <<<"$(awk '{ print $6 }' <<<"$listing")" ||
  fail "$deb has no AppStream metadata"
echo "$deb: $(echo "$paths" | wc -l) entries"
exit $status

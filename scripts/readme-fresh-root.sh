#!/usr/bin/env bash
# Checks README.md the way a newcomer meets it: in a fresh Debian 12
# (bookworm, minbase) root made with debootstrap, with the checkout copied in,
# runs every shell command of README.md as written, in README order, and stops
# at the first one that fails.
#
#   scripts/readme-fresh-root.sh [--cache DIR] [--mirror URL] [--keep] [--head]
#   scripts/readme-fresh-root.sh --list
#
# Which commands: every line of every ```sh (or ```bash, ```shell) block of
# README.md, blank lines and comment lines left out, a line ending in a
# backslash joined to the next. Each must be a whole command. A command exits
# with status 0 unless its line carries a comment "# status N" (as in
# "./build/codvet euc-jp samples/euc-jp-invalid.txt  # status 2: ..."), when it
# must exit with N. A block whose fence is preceded by the line
#   <!-- readme-fresh-root: skip: REASON -->
# is not run (--list shows it with its reason); use it only for commands that
# cannot run here, and give the reason.
#
# How they run: as root in the root (README.md says which commands need root;
# there is no sudo in a minbase root), each in a new `bash -c` started in the
# checkout (/root/codvet) with HOME=/root, a root's usual PATH, LANG=C.UTF-8,
# standard input from /dev/null, and apt-get set to answer its question with
# yes (APT::Get::Assume-Yes) as the newcomer would; daemons are not started
# (policy-rc.d). So every command must work from the top of the checkout after
# the commands before it, as a reader who goes through the README top down
# would type it, and no command may rely on a `cd` or a variable of another.
#
# Then it checks that the commands left the checkout as git would want it: no
# tracked file changed and nothing new that .gitignore does not cover.
#
# The checkout is the tracked files of this working tree as they are now, with
# the untracked files that .gitignore does not cover (what a clone would hold
# once they are committed); --head copies the last commit instead (git archive
# HEAD). No .git is copied: no command may need one.
#
# The debootstrap root is made once and kept as a tar under the cache folder
# (--cache, default /tmp/codvet-fresh-root-cache), with the Debian packages
# the commands download (bind-mounted on /var/cache/apt/archives, so apt
# still installs everything but fetches it once). The mirror is the host's
# (from /etc/apt/sources.list and sources.list.d), or --mirror. The root is
# made under ${TMPDIR:-/tmp} and removed at the end, unless --keep.
#
# Needs root (debootstrap, chroot, mount); installs debootstrap with apt-get
# when it is missing. --list only prints the commands, as README.md:LINE, and
# needs neither.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

cache=${TMPDIR:-/tmp}/codvet-fresh-root-cache
mirror=
keep=0
list=0
head=0
suite=bookworm
while (($#)); do
  case $1 in
  --cache) cache=$2 && shift 2 ;;
  --mirror) mirror=$2 && shift 2 ;;
  --keep) keep=1 && shift ;;
  --head) head=1 && shift ;;
  --list) list=1 && shift ;;
  -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" && exit 0 ;;
  *) echo "readme-fresh-root: unknown argument: $1 (see --help)" >&2 && exit 2 ;;
  esac
done

Fail() {
  printf 'readme-fresh-root: %s\n' "$@" >&2
  exit 1
}

# README.md as it will be copied into the root.
Readme() {
  if ((head)); then
    git -C "$source_dir" show HEAD:README.md
  else
    cat "$source_dir/README.md"
  fi
}

# The commands, one per line: "run LINE STATUS COMMAND" or "skip LINE REASON",
# LINE the README line the command (or the block) starts on.
Commands() {
  awk '
    function flush() {
      if (command == "") return
      status = 0
      if (match(command, /[ \t]#[ \t]*status[ \t]+[0-9]+/)) {
        status = substr(command, RSTART, RLENGTH)
        sub(/.*status[ \t]+/, "", status)
      }
      print "run\t" start "\t" status "\t" command
      command = ""
    }
    /^```/ {
      if (!block) {
        block = 1
        run = $0 ~ /^```(sh|bash|shell)[ \t]*$/
        if (run && skip != "") { print "skip\t" NR "\t" skip; run = 0 }
      } else {
        if (command != "") { printf "README.md:%d: a continued line ends its block\n", start > "/dev/stderr"; bad = 1 }
        block = 0
      }
      skip = ""
      next
    }
    !block && /^<!-- readme-fresh-root: skip: .* -->[ \t]*$/ {
      skip = $0
      sub(/^<!-- readme-fresh-root: skip: /, "", skip)
      sub(/ -->[ \t]*$/, "", skip)
      next
    }
    !block && NF { skip = "" }
    block && run {
      line = $0
      if (command == "") {
        if (line ~ /^[ \t]*(#|$)/) next
        start = NR
      }
      if (sub(/\\$/, "", line)) { command = command line; next }
      command = command line
      flush()
    }
    END {
      if (block) { print "README.md: a code block is not closed" > "/dev/stderr"; bad = 1 }
      exit bad
    }'
}

commands=$(Readme | Commands) || Fail "README.md cannot be read for its commands"
[[ -n $commands ]] || Fail "README.md has no shell commands"
while IFS=$'\t' read -r kind line status command; do
  if [[ $kind == run ]]; then
    bash -n -c "$command" 2>/dev/null || Fail "README.md:$line: not a whole shell command: $command"
  fi
done <<<"$commands"

if ((list)); then
  while IFS=$'\t' read -r kind line status command; do
    if [[ $kind == run ]]; then
      printf 'README.md:%s: %s\n' "$line" "$command"
    else
      printf 'README.md:%s: (block not run: %s)\n' "$line" "$status"
    fi
  done <<<"$commands"
  exit 0
fi

(($(id -u) == 0)) || Fail "needs root (debootstrap, chroot, mount); --list needs none"
command -v git >/dev/null || Fail "needs git, to list the checkout's files"

# The host's Debian mirror: the first URI of a deb source for a suite of the
# main archive (not -security, -updates or -backports).
HostMirror() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [[ -r $file ]] || continue
    awk 'function end() {
           if (types ~ /(^| )deb( |$)/ && uri != "" && suites ~ /(^| )[a-z]+( |$)/ && !found) {
             print uri; found = 1
           }
           types = uri = suites = ""
         }
         /^[ \t]*$/ { end(); next }
         /^Types:/ { types = $0; sub(/^Types:[ \t]*/, "", types) }
         /^URIs:/ { uri = $2 }
         /^Suites:/ { suites = $0; sub(/^Suites:[ \t]*/, "", suites) }
         END { end() }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -r $file ]] || continue
    awk '$1 == "deb" { i = 2; if ($i ~ /^\[/) while ($i !~ /\]$/) i++; if ($i ~ /^\[/ || $i ~ /\]$/) i++
                       if ($(i + 1) ~ /^[a-z]+$/) print $i }' "$file"
  done
}
if [[ -z $mirror ]]; then
  mirror=$(HostMirror | head -n1)
  mirror=${mirror:-http://deb.debian.org/debian}
fi

started=$(date +%s)
Elapsed() {
  local s=$(($(date +%s) - $1))
  printf '%dm%02ds' $((s / 60)) $((s % 60))
}

# The pristine root, made once.
arch=$(dpkg --print-architecture)
pristine=$cache/$suite-minbase-$arch.tar
mkdir -p "$cache/apt-archives"
cache=$(cd "$cache" && pwd)
if [[ ! -f $pristine ]]; then
  if ! command -v debootstrap >/dev/null; then
    echo "== Installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap ||
      { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap; }
  fi
  echo "== debootstrap --variant=minbase $suite from $mirror (once; kept as $pristine)"
  fresh=$(mktemp -d "${TMPDIR:-/tmp}/codvet-debootstrap.XXXXXX")
  debootstrap --variant=minbase "$suite" "$fresh" "$mirror" ||
    Fail "debootstrap failed (its log: $fresh/debootstrap/debootstrap.log)"
  chmod 755 "$fresh"
  tar --numeric-owner --xattrs -C "$fresh" -cf "$pristine.new" .
  mv "$pristine.new" "$pristine"
  rm -rf --one-file-system "$fresh"
  echo "== debootstrap took $(Elapsed "$started")"
fi

root=$(mktemp -d "${TMPDIR:-/tmp}/codvet-fresh-root.XXXXXX")
mounts=()
Cleanup() {
  local status=$? pid i
  # Processes the commands left running in the root.
  for pid in /proc/[0-9]*; do
    [[ $(readlink "$pid/root" 2>/dev/null) == "$root" ]] && kill -9 "${pid#/proc/}" 2>/dev/null
  done
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -R "${mounts[i]}" 2>/dev/null || umount -lR "${mounts[i]}" ||
      echo "readme-fresh-root: could not unmount ${mounts[i]}" >&2
  done
  if grep -q " ${root}/" /proc/self/mountinfo; then
    echo "readme-fresh-root: something is still mounted under $root: not removing it" >&2
  elif ((keep)); then
    echo "== The root is kept: $root (checkout in $root/root/codvet)"
  else
    echo "== Removing the root"
    rm -rf --one-file-system "$root"
  fi
  echo "== In all $(Elapsed "$started")"

  exit "$status"
}
trap Cleanup EXIT
trap 'exit 130' INT TERM

echo "== A fresh root in $root"
tar --numeric-owner --xattrs -C "$root" -xf "$pristine"
chmod 755 "$root" # mktemp's 0700 would keep the root's own users (_apt, man) out
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf 'APT::Get::Assume-Yes "true";\n' >"$root/etc/apt/apt.conf.d/90readme-fresh-root"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
# dpkg without fsync: the root is thrown away, and this saves minutes.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/90readme-fresh-root"
chmod +x "$root/usr/sbin/policy-rc.d"
Mount() {
  local target=$root$1
  shift
  mount "$@" "$target"
  mounts+=("$target")
}
Mount /proc -t proc proc
Mount /sys -t sysfs sysfs
Mount /dev --rbind /dev
mount --make-rslave "$root/dev"
Mount /var/cache/apt/archives --bind "$cache/apt-archives"

echo "== The checkout in /root/codvet ($( ((head)) && echo "git archive HEAD" || echo "this working tree's files"))"
checkout=$root/root/codvet
mkdir "$checkout"
if ((head)); then
  git -C "$source_dir" archive HEAD | tar -C "$checkout" -xf -
else
  (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [[ -e $f || -L $f ]] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -C "$checkout" -xf -
fi
(cd "$checkout" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$root/root/.checkout.sha256"

# The commands.
n=0
total=$(grep -c '^run' <<<"$commands")
timings=()
while IFS=$'\t' read -r kind line status command; do
  if [[ $kind == skip ]]; then
    printf '\n== README.md:%s: a block not run: %s\n' "$line" "$status"
    continue
  fi
  n=$((n + 1))
  printf '\n== [%d/%d] README.md:%s (after %s): %s\n' "$n" "$total" "$line" "$(Elapsed "$started")" "$command"
  begin=$(date +%s)
  actual=0
  chroot "$root" /usr/bin/env -i -C /root/codvet HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb \
    DEBIAN_FRONTEND=noninteractive /bin/bash -c "$command" </dev/null 2>&1 || actual=$?
  timings+=("$(printf '%6s  README.md:%s' "$(Elapsed "$begin")" "$line")")
  if ((actual != status)); then
    printf '\nreadme-fresh-root: FAILED: README.md:%s: exit status %d, expected %d:\n  %s\n' \
      "$line" "$actual" "$status" "$command" >&2
    exit 1
  fi
done <<<"$commands"

echo
echo "== What the commands left in the checkout"
changed=$(cd "$checkout" && sha256sum --quiet -c "$root/root/.checkout.sha256" 2>&1) || true
git_dir=$(git -C "$source_dir" rev-parse --absolute-git-dir)
untracked=$(git --git-dir="$git_dir" --work-tree="$checkout" ls-files --others --exclude-standard \
  --directory --no-empty-directory | grep -vxFf <(sed 's/^[0-9a-f]*  \.\///' "$root/root/.checkout.sha256") || true)
git --git-dir="$git_dir" --work-tree="$checkout" ls-files --others --ignored --exclude-standard \
  --directory | sed 's/^/  ignored: /'
echo
echo "== Time per command"
printf '%s\n' "${timings[@]}"
echo "== $n commands in $(Elapsed "$started")"
[[ -z $changed ]] || Fail "the commands changed tracked files:" "$changed"
[[ -z $untracked ]] || Fail "the commands left files that .gitignore does not cover:" "$untracked"
echo "== README.md: every command passed in a fresh $suite root"

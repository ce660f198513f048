# Build farms: a clone owned by another user, as in containers and bind
# mounts, configures and builds with git out of PATH. Run as root on a clone
# that nobody owns, git itself refuses the checkout ("dubious ownership"), so
# both ways of losing git are covered: the build must need neither.
if [ "$(id -u)" != 0 ]; then
  echo "this stage hands the clone to another user and must run as root"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clone=$work/clone
git clone -q --no-local . "$clone"
chown -R nobody: "$clone"
status=0
git -C "$clone" log -1 >/dev/null 2>"$work/git.log" || status=$?
if [ "$status" = 0 ]; then
  echo "git accepted a clone owned by nobody; this stage would test nothing"
  exit 1
fi
echo "git refuses the clone (exit $status): $(head -n 1 "$work/git.log")"

# Everything in /usr/bin but git.
mkdir "$work/bin"
for tool in /usr/bin/*; do
  case ${tool##*/} in git | git-*) ;; *) ln -s "$tool" "$work/bin/" ;; esac
done
on_path=$(PATH=$work/bin:/usr/sbin command -v git || true)
test -z "$on_path" || { echo "git is still on PATH: $on_path"; exit 1; }

PATH=$work/bin:/usr/sbin cmake -S "$clone" -B "$clone/build" -DCMAKE_BUILD_TYPE=Release \
  -DMOVRIMSG_BUILD_TESTS=OFF >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
PATH=$work/bin:/usr/sbin cmake --build "$clone/build" -j2 >"$work/build.log" 2>&1 ||
  { tail -n 50 "$work/build.log"; exit 1; }
"$clone/build/examples/message_demo" >/dev/null
echo "configured and built without git: $(cd "$clone/build/src" && ls libmovrimsg.so.*.*)"

# Installs the Python package from the clone with one pip command, as a user
# would: it builds the library from this tree with the project's CMake and
# carries it inside, with no library built or installed beforehand. Then runs
# the package's tests, the docstring check, mypy --strict and the benchmark
# (in its quick form, for its ratios: it asserts no timing) against what was
# installed. Last, builds a wheel, removes the build tree (python/build,
# git-ignored), installs the wheel into a second virtual environment and runs
# a smoke test there. pip builds without isolation so that it uses Debian's
# setuptools instead of fetching it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
quietly() { local output; output=$("$@" 2>&1) || { echo "$output"; return 1; }; }
unset MOVRIMSG_LIBRARY
export MOVRIMSG_CMAKE_ARGS=-DMOVRIMSG_WARNINGS_AS_ERRORS=ON PYTHONDONTWRITEBYTECODE=1
pip_install() { "$1" -m pip install --no-build-isolation --no-index "${@:2}"; }

/usr/bin/python3 -m venv --system-site-packages "$work/venv"
python=$work/venv/bin/python
start=$SECONDS
CFLAGS="-Wall -Wextra -Wpedantic -Werror" quietly pip_install "$python" ./python
echo "pip install ./python: $((SECONDS - start)) s"
"$python" - <<'EOF'
import os, sys, movrimsg
package = os.path.dirname(movrimsg.__file__)
assert package.startswith(sys.prefix), package
assert movrimsg.LIBRARY == os.path.join(package, "libmovrimsg.so.1"), movrimsg.LIBRARY
EOF
# The package's version is the library's.
version=$(sed -n 's/^project(movrimsg VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
"$python" -c "import importlib.metadata as m, movrimsg, sys
found = {m.version('movrimsg'), movrimsg.__version__}
sys.exit(None if found == {'$version'} else f'package version {found}, library $version')"

export HYPOTHESIS_STORAGE_DIRECTORY=$work/hypothesis
quietly "$python" -m pytest -q -p no:cacheprovider python/tests
# help(movrimsg.Message) reads as a manual: everything public has a docstring.
"$python" - <<'EOF'
import inspect, sys, movrimsg
public = lambda name: not name.startswith("_") or name.endswith("__")
missing = [f"{kind.__name__}.{name}" for kind in (movrimsg.Message, movrimsg.Element)
           for name, member in vars(kind).items()
           if public(name) and (callable(member) or hasattr(member, "__get__"))
           and name not in ("__dict__", "__weakref__") and not inspect.getdoc(member)]
sys.exit(f"no docstring: {', '.join(missing)}" if missing else None)
EOF
quietly "$python" -m mypy --strict --cache-dir "$work/mypy" -p movrimsg
quietly "$python" -m mypy --strict --cache-dir "$work/mypy" python/tests python/bench_parse.py
"$python" python/bench_parse.py --quick | tail -2

# The wheel carries the library, hardened as the project builds it.
quietly "$python" -m pip wheel --no-build-isolation --no-index --no-deps -w "$work/wheels" ./python
wheel=$(echo "$work"/wheels/movrimsg-*.whl)
mkdir "$work/unpacked"
"$python" -m zipfile -e "$wheel" "$work/unpacked"
library=$work/unpacked/movrimsg/libmovrimsg.so.1
readelf -dW "$library" | grep -q 'FLAGS.*BIND_NOW' && readelf -lW "$library" | grep -q GNU_RELRO ||
  { echo "the wheel's library is not built with the project's hardening"; exit 1; }
grep -q '^Requires-External: libexpat$' "$work"/unpacked/movrimsg-*.dist-info/METADATA
echo "$(basename "$wheel"): $(stat -c %s "$wheel") bytes"
rm -rf python/build python/src/movrimsg.egg-info
/usr/bin/python3 -m venv "$work/second"
quietly pip_install "$work/second/bin/python" "$wheel"
(cd "$work" && "$work/second/bin/python" - <<'EOF'
import os, movrimsg
assert movrimsg.LIBRARY.startswith(os.path.dirname(movrimsg.__file__)), movrimsg.LIBRARY
with movrimsg.Message() as msg:
    msg.id = "1"
    msg.append("ele", "n", "café")
    parsed = movrimsg.Message.parse(msg.render())
assert [(e.tag, e.name, e.value) for e in parsed] == [("id", None, "1"), ("ele", "n", "café")]
EOF
)

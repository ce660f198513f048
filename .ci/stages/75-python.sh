# Installs the library into a temporary prefix and the Python package from
# python/ into a virtual environment made with Debian's python3, then runs the
# package's tests, mypy --strict and the benchmark against what was installed
# (the benchmark in its quick form, for its ratios: it asserts no timing).
# pip builds without isolation so that it uses Debian's setuptools instead of
# fetching it; the extension module compiles against the installed header.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
quietly() { local output; output=$("$@" 2>&1) || { echo "$output"; return 1; }; }

quietly cmake -S . -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DMOVRIMSG_BUILD_TESTS=OFF \
  -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF
quietly cmake --build "$work/build" -j2
quietly cmake --install "$work/build" --prefix "$work/prefix"
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$work/build/CMakeCache.txt")
export MOVRIMSG_LIBRARY=$work/prefix/$libdir/libmovrimsg.so.1

/usr/bin/python3 -m venv --system-site-packages "$work/venv"
python=$work/venv/bin/python
cp -r python "$work/package"  # the build writes next to its sources
CPPFLAGS="-I$work/prefix/include" CFLAGS="-Wall -Wextra -Wpedantic -Werror" quietly "$python" -m pip install --no-build-isolation \
  --no-index "$work/package"
"$python" -c 'import sys, movrimsg; assert movrimsg.__file__.startswith(sys.prefix), movrimsg.__file__'
# The package's version is the library's.
version=$(sed -n 's/^project(movrimsg VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
"$python" -c "import importlib.metadata as m, movrimsg, sys
found = {m.version('movrimsg'), movrimsg.__version__}
sys.exit(None if found == {'$version'} else f'package version {found}, library $version')"

export PYTHONDONTWRITEBYTECODE=1 HYPOTHESIS_STORAGE_DIRECTORY=$work/hypothesis
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

# Set-up, build, test and run on Debian 12. Every target installs what it needs first:
# make run only what building and running need, make test and make bench their tools too.
.PHONY: deps build test run bench package clean

deps:
	@scripts/install-deps.sh build

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default

# The tests' packages first, so the one configure sees GoogleTest; then each tree is
# configured and built once (run-tests.sh does the sanitizer tree).
test:
	@scripts/install-deps.sh build test
	@cmake --preset default >/dev/null
	@cmake --build --preset default
	@scripts/run-tests.sh

run: build
	@scripts/run-app.sh

bench: build
	@scripts/install-deps.sh bench
	@scripts/bench.sh

package: build
	@scripts/install-deps.sh package
	@scripts/package.sh

clean:
	rm -rf build build-asan

# Set-up, build, test and run on Debian 12. Every target installs what it needs first.
.PHONY: deps build test run bench clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default

test: build
	@scripts/run-tests.sh

run: build
	@scripts/run-app.sh

bench: build
	@scripts/install-deps.sh imagemagick python3-pil libjpeg-turbo-progs time
	@scripts/bench.sh

clean:
	rm -rf build build-asan

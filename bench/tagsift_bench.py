#!/usr/bin/env python3
"""Throughput and memory of tagsift over large saved pages.

Generates about 100 MB of HTML with a few hundred thousand links, then times,
in the same run and piped the same way (cat FILE | X > OUT):
  tagsift                      the filter itself
  LC_ALL=C grep -oiE 'href...' the nearest ordinary tool for the same job
  cat                          the pipe's own ceiling
and prints MB/s and the ratios. Peak RSS of tagsift for 10 MB and 100 MB
inputs shows that memory stays flat whatever the input size.
"""
import os
import random
import resource
import subprocess
import sys
import tempfile
import time

GREP = "LC_ALL=C grep -oiE 'href[[:space:]]*=[[:space:]]*\"[^\"]*\"'"


# The most common English words, so that letters (the first byte of the
# parameter name above all) come about as often as in real text.
WORDS = ("the of and to in is was that for it with as his on be at by had are but from or have "
         "an they which one you were her all she there would their we him been has when who will "
         "more no if out so said what up its about into than them can only other new some could "
         "time these two may then do first any my now such like our over man me even most made "
         "after also did many before must through back years where much your way well down should "
         "because each just those people how too little state good very make world still own see "
         "men work long get here between both life being under never day same another know while "
         "last might us great old year off come since against go came right used take three").split()
TAGS = ("div", "span", "p", "li", "td", "em", "strong")


def make_page(path, megabytes, seed=7):
    """A page of paragraphs, nested tags with class and style attributes,
    images and one link every 300 bytes or so."""
    rnd = random.Random(seed)
    target = megabytes * 1000 * 1000
    links = 0
    with open(path, "w", encoding="ascii", newline="") as f:
        f.write("<!DOCTYPE html>\r\n<html><head><title>bench</title>"
                "<meta http-equiv=\"Content-Type\" content=\"text/html\"></head><body>\r\n")
        size = 0
        while size < target:
            tag = rnd.choice(TAGS)
            text = " ".join(rnd.choice(WORDS) for _ in range(rnd.randrange(20, 40)))
            line = ('<%s class="c%d" style="margin:%dpx">%s <a href="/path/%d/page%d.html">%s</a> '
                    '<img src="i%d.png" width=%d height=10></%s>\r\n') % (
                        tag, rnd.randrange(9), rnd.randrange(20), text, rnd.randrange(1000), links,
                        rnd.choice(WORDS), links, rnd.randrange(400), tag)
            links += 1
            f.write(line)
            size += len(line)
        f.write("</body></html>\r\n")
    return links


def timed(cmd, runs):
    """Best wall time of `runs` runs of a shell pipeline, in seconds."""
    best = None
    for _ in range(runs):
        t0 = time.perf_counter()
        subprocess.run(["bash", "-c", cmd], check=True)
        dt = time.perf_counter() - t0
        best = dt if best is None else min(best, dt)
    return best


def peak_rss_kib(argv, stdin_path):
    pid = os.fork()
    if pid == 0:
        fd = os.open(stdin_path, os.O_RDONLY)
        os.dup2(fd, 0)
        out = os.open(os.devnull, os.O_WRONLY)
        os.dup2(out, 1)
        os.execv(argv[0], argv)
    _, status, usage = os.wait4(pid, 0)
    if status != 0:
        raise SystemExit("tagsift failed")
    return usage.ru_maxrss


def main():
    tagsift = sys.argv[1] if len(sys.argv) > 1 else "build/linux/bin/tagsift"
    runs = int(os.environ.get("BENCH_RUNS", "3"))
    with tempfile.TemporaryDirectory() as tmp:
        big = os.path.join(tmp, "big.htm")
        small = os.path.join(tmp, "small.htm")
        links = make_page(big, 100)
        make_page(small, 10)
        size_mb = os.path.getsize(big) / 1e6
        # The same output from both, so the race is fair.
        n_tag = int(subprocess.run(["bash", "-c", f"cat {big} | {tagsift} | wc -l"],
                                   capture_output=True, text=True, check=True).stdout)
        n_grep = int(subprocess.run(["bash", "-c", f"cat {big} | {GREP} | wc -l"],
                                    capture_output=True, text=True, check=True).stdout)
        subprocess.run(["bash", "-c", f"cat {big} > /dev/null"], check=True)  # warm the cache
        # Output goes to a file: grep stops at its first match when it sees
        # its output is /dev/null, which would make its figure meaningless.
        out = os.path.join(tmp, "out")
        t_tag = timed(f"cat {big} | {tagsift} > {out}", runs)
        t_grep = timed(f"cat {big} | {GREP} > {out}", runs)
        t_cat = timed(f"cat {big} | cat > {out}", runs)
        # Without the pipe the programs' own speed shows: input redirected
        # from the (cached) file.
        t_tag_file = timed(f"{tagsift} < {big} > {out}", runs)
        t_grep_file = timed(f"{GREP} < {big} > {out}", runs)
        rss_small = peak_rss_kib([tagsift], small)
        rss_big = peak_rss_kib([tagsift], big)

    def mbps(t):
        return size_mb / t

    print(f"input: {size_mb:.1f} MB, {links} links (tagsift found {n_tag}, grep {n_grep})")
    print(f"tagsift : {mbps(t_tag):8.1f} MB/s  ({t_tag:.3f} s, best of {runs})")
    print(f"grep    : {mbps(t_grep):8.1f} MB/s  ({t_grep:.3f} s)")
    print(f"cat     : {mbps(t_cat):8.1f} MB/s  ({t_cat:.3f} s)")
    print(f"ratio tagsift/grep: {t_grep / t_tag:.2f}x (target >= 4)")
    print(f"ratio tagsift/cat : {t_cat / t_tag:.2f}x (target >= 0.5)")
    print("input redirected from the file (no pipe):")
    print(f"tagsift < file: {mbps(t_tag_file):8.1f} MB/s, grep < file: {mbps(t_grep_file):8.1f} MB/s, "
          f"ratio {t_grep_file / t_tag_file:.2f}x")
    print(f"peak RSS tagsift: 10 MB input {rss_small} KiB, 100 MB input {rss_big} KiB")


if __name__ == "__main__":
    main()

"""The station's web page in headless Chromium: it loads from the real
service, names its landmarks, and shows a song sent over HTTP within a
second. Run by tst_station_page with the page's address; prints one line
per finding and exits non-zero on the first fault."""

import sys
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

base = sys.argv[1]
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
    options.add_argument(flag)
# A phone's screen: a desktop window cannot be made this narrow.
options.add_experimental_option(
    "mobileEmulation", {"deviceMetrics": {"width": 390, "height": 844, "pixelRatio": 3.0}})
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    driver.get(base + "/")
    WebDriverWait(driver, 10).until(
        lambda d: d.find_element(By.ID, "source").text.startswith("the network"))
    for landmark in ("header", "main"):
        assert driver.find_elements(By.TAG_NAME, landmark), "no <%s> landmark" % landmark
    song = driver.find_element(By.ID, "song")
    assert song.get_attribute("aria-live") == "polite", "the song is no live region"

    sent = time.monotonic()
    with urllib.request.urlopen(base + "/nowplaying?artist=Page%20Artist&title=Fresh%20Song") as reply:
        assert reply.status == 204, reply.status
    WebDriverWait(driver, 1.0, poll_frequency=0.05).until(
        lambda d: d.find_element(By.ID, "song").text == "PAGE ARTIST FRESH SONG")
    print("song shown after %.0f ms" % ((time.monotonic() - sent) * 1000))
    WebDriverWait(driver, 5).until(
        lambda d: d.find_element(By.ID, "rt").text.startswith("PAGE ARTIST - FRESH SONG"))
    # The labels cycle: more than one is seen in a few seconds.
    seen = set()
    deadline = time.monotonic() + 8
    while time.monotonic() < deadline and len(seen) < 2:
        seen.add(driver.find_element(By.ID, "ps").text)
        time.sleep(0.2)
    assert len(seen) >= 2, "the labels do not cycle: %r" % seen
    print("labels seen: %s" % sorted(seen))
    # The page does not scroll sideways on a phone.
    width, screen = driver.execute_script(
        "return [document.documentElement.scrollWidth, document.documentElement.clientWidth]")
    assert screen == 390, "the screen is %d px wide, not a phone's 390" % screen
    assert width <= screen, "page is %d px wide on a %d px screen" % (width, screen)
finally:
    driver.quit()
print("ok")

"""A telemetry list served by Django REST framework, as the network database serves its own:
cursor pagination newest first, 25 a page, the {"next", "previous", "results"} body and a Link
header with next and prev, token authentication, a 429 with Retry-After now and then, and 404
for a satellite it does not know.

Usage: serve.py --frames N --norad N --token T [--throttle-every N] [--wait S]
Listens on 127.0.0.1 on a free port and prints the port on the first line of its output; keeps
its database in memory (one thread, one connection, which Django never closes for it).
"""

import argparse
import datetime
import os
import sys

sys.dont_write_bytecode = True  # nothing is written into the source tree
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

import django
from django.conf import settings

arguments = argparse.ArgumentParser()
arguments.add_argument("--frames", type=int, required=True)
arguments.add_argument("--norad", type=int, required=True)
arguments.add_argument("--token", required=True)
arguments.add_argument("--throttle-every", type=int, default=0)
arguments.add_argument("--wait", type=int, default=1)
options = arguments.parse_args()

settings.configure(
    SECRET_KEY="loopback only",
    ALLOWED_HOSTS=["127.0.0.1"],
    USE_TZ=True,
    TIME_ZONE="UTC",
    ROOT_URLCONF=__name__,
    DEFAULT_AUTO_FIELD="django.db.models.AutoField",
    INSTALLED_APPS=["django.contrib.contenttypes", "django.contrib.auth", "rest_framework",
                    "rest_framework.authtoken", "drf_server"],
    DATABASES={"default": {"ENGINE": "django.db.backends.sqlite3", "NAME": ":memory:"}},
    MIDDLEWARE=[],
    REST_FRAMEWORK={"UNAUTHENTICATED_USER": None},
)
django.setup()

from django.contrib.auth.models import User
from django.core.management import call_command
from django.core.wsgi import get_wsgi_application
from django.shortcuts import get_object_or_404
from django.urls import path
from django.utils.dateparse import parse_datetime
from rest_framework import generics, serializers
from rest_framework.authentication import TokenAuthentication
from rest_framework.authtoken.models import Token
from rest_framework.pagination import CursorPagination
from rest_framework.permissions import IsAuthenticated
from rest_framework.response import Response
from rest_framework.throttling import BaseThrottle
from wsgiref.simple_server import make_server

from drf_server.models import DemodData, Satellite


class TelemetryPagination(CursorPagination):
    page_size = 25
    ordering = "-timestamp"

    def get_paginated_response(self, data):
        next_url, previous_url = self.get_next_link(), self.get_previous_link()
        pairs = ((next_url, "next"), (previous_url, "prev"))
        links = [f'<{url}>; rel="{rel}"' for url, rel in pairs if url]
        return Response({"next": next_url, "previous": previous_url, "results": data},
                        headers={"Link": ", ".join(links)} if links else {})


class EveryNthRequest(BaseThrottle):
    """Refuses every Nth request and asks for a wait, as a rate limit does."""

    count = 0

    def allow_request(self, request, view):
        if options.throttle_every <= 0:
            return True
        EveryNthRequest.count += 1
        return EveryNthRequest.count % options.throttle_every != 0

    def wait(self):
        return options.wait


class TelemetrySerializer(serializers.ModelSerializer):
    norad_cat_id = serializers.IntegerField(source="satellite.norad_cat_id")

    class Meta:
        model = DemodData
        fields = ["norad_cat_id", "frame", "observer", "timestamp"]


class TelemetryView(generics.ListAPIView):
    authentication_classes = [TokenAuthentication]
    permission_classes = [IsAuthenticated]
    throttle_classes = [EveryNthRequest]
    serializer_class = TelemetrySerializer
    pagination_class = TelemetryPagination

    def get_queryset(self):
        frames = DemodData.objects.select_related("satellite")
        norad = self.request.query_params.get("satellite")
        if norad:
            frames = frames.filter(satellite=get_object_or_404(Satellite, norad_cat_id=norad))
        for name, lookup in (("start", "timestamp__gte"), ("end", "timestamp__lte")):
            value = self.request.query_params.get(name)
            if value:
                frames = frames.filter(**{lookup: parse_datetime(value)})
        return frames


urlpatterns = [path("api/telemetry/", TelemetryView.as_view())]


call_command("migrate", run_syncdb=True, verbosity=0)
Token.objects.create(user=User.objects.create(username="observer"), key=options.token)
satellite = Satellite.objects.create(norad_cat_id=options.norad)
newest = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
newest -= datetime.timedelta(hours=1)
rows = []
for k in range(options.frames):
    # A frame a minute, going back; every fifth shares its second with the one before, and every
    # seventh is written with spaces between its bytes, as some stations send them.
    at = newest - datetime.timedelta(seconds=60 * (k - k // 5))
    frame = "C0800000022C03%04X00" % k
    if k % 7 == 3:
        frame = " ".join(frame[i : i + 2] for i in range(0, len(frame), 2))
    rows.append(DemodData(satellite=satellite, timestamp=at, frame=frame, observer="DL0ABC-JO62"))
DemodData.objects.bulk_create(rows)

server = make_server("127.0.0.1", 0, get_wsgi_application())
print(server.server_port, flush=True)
server.serve_forever()

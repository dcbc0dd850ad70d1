"""The network database's telemetry, as much of it as a fetch reads."""

from django.db import models


class Satellite(models.Model):
    norad_cat_id = models.PositiveIntegerField(unique=True)

    class Meta:
        app_label = "drf_server"


class DemodData(models.Model):
    satellite = models.ForeignKey(Satellite, on_delete=models.CASCADE)
    timestamp = models.DateTimeField(db_index=True)
    frame = models.TextField()
    observer = models.CharField(max_length=60)

    class Meta:
        app_label = "drf_server"

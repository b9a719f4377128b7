#!/usr/bin/env python3
"""Write the sample parameter tree that the gallery opens in its editor.

    usage: make_sample_tree.py [DIRECTORY]

The tree holds the settings of a small pick-and-place cell: motion (the axes
and jogging), vision (camera and calibration), io (inputs and outputs) and a
general book.  Every attribute type the model stores appears in it (int,
float, str, bool, lists and dicts), and each parameter is described in
English ("en") and Chinese ("zh").

DIRECTORY defaults to examples/sample_tree next to this script.  Saving an
unchanged tree rewrites nothing, so running the script again is harmless.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
REPO_ROOT = os.path.dirname(HERE)
if REPO_ROOT not in sys.path:
    sys.path.insert(0, REPO_ROOT)

from kvt_paratree import Parameter, ParameterBook, ParameterDirectory  # noqa: E402

DEFAULT_DIRECTORY = os.path.join(HERE, "sample_tree")


def parameter(en, zh, **attributes):
    """A parameter with the given attributes and descriptions in en and zh."""
    return Parameter(attributes, {"en": en, "zh": zh})


def axis_book(name, travel, max_speed, home_direction):
    return ParameterBook({
        "travel": parameter(
            "Travel range of the %s axis" % name, "%s 轴行程范围" % name,
            min=0.0, max=travel, unit="mm"),
        "speed": parameter(
            "Maximum speed and acceleration", "最大速度与加速度",
            max=max_speed, acceleration=max_speed * 4, unit="mm/s"),
        "homing": parameter(
            "Homing: direction, speed and offset after the switch",
            "回原点：方向、速度及离开开关后的偏移",
            enabled=True, direction=home_direction, speed=20.0, offset=0.5),
        "steps_per_mm": parameter(
            "Motor steps per millimetre", "每毫米电机步数", value=800),
        "inverted": parameter(
            "Reverse the motor direction", "电机反向", value=name == "Y"),
    })


def build_tree():
    """The sample tree, as a ParameterDirectory."""
    root = ParameterDirectory()

    root.general = ParameterBook({
        "machine_name": parameter("Name shown in the title bar", "标题栏显示的机器名称",
                                  value="Cell 3"),
        "serial_port": parameter("Controller port and baud rate", "控制器串口及波特率",
                                 value="/dev/ttyUSB0", baud=115200, timeout=0.5),
        "language": parameter("User interface language", "界面语言",
                              value="en", choices=["en", "zh"]),
        "units": parameter("Units used on screen", "屏幕显示单位",
                           value={"length": "mm", "angle": "deg", "time": "s"}),
        "simulation": parameter("Run without hardware", "无硬件模拟运行", value=False),
    })

    motion = root.motion = ParameterDirectory()
    axes = motion.axes = ParameterDirectory()
    axes.X = axis_book("X", 600.0, 500.0, "negative")
    axes.Y = axis_book("Y", 400.0, 500.0, "negative")
    axes.Z = axis_book("Z", 50.0, 120.0, "positive")
    motion.jog = ParameterBook({
        "step_sizes": parameter("Jog steps offered, in mm", "可选点动步长（毫米）",
                                value=[0.01, 0.1, 1.0, 10.0], default=2),
        "speed": parameter("Jog speed as a share of the maximum", "点动速度占最大速度的比例",
                           value=0.25),
        "confirm_large_steps": parameter("Ask before steps of 10 mm and more",
                                         "步长 10 毫米及以上时先确认", value=True),
    })

    vision = root.vision = ParameterDirectory()
    vision.camera = ParameterBook({
        "exposure": parameter("Exposure time in microseconds", "曝光时间（微秒）",
                              value=8000, min=20, max=100000),
        "gain": parameter("Analogue gain in dB", "模拟增益（分贝）", value=2.5),
        "trigger": parameter("Trigger source", "触发源", value="hardware",
                             choices=["software", "hardware", "free-run"]),
        "roi": parameter("Region of interest in pixels", "感兴趣区域（像素）",
                         value={"x": 0, "y": 64, "width": 2448, "height": 1920}),
        "flip": parameter("Mirror the image", "图像镜像", horizontal=False, vertical=True),
    })
    vision.calibration = ParameterBook({
        "pixel_size": parameter("Size of one pixel on the work plane", "工作平面上单个像素的尺寸",
                                value=0.0125, unit="mm"),
        "camera_to_nozzle": parameter("Camera to nozzle transform (3x3)", "相机到吸嘴的变换矩阵（3×3）",
                                      value=[[1.0, 0.0, 42.5], [0.0, 1.0, -3.2], [0.0, 0.0, 1.0]]),
        "calibrated_on": parameter("Date of the last calibration", "上次标定日期",
                                   value="2024-05-17"),
    })

    io = root.io = ParameterDirectory()
    io.inputs = ParameterBook({
        "door_closed": parameter("Safety door switch", "安全门开关",
                                 channel=0, active_high=True, debounce_ms=20),
        "emergency_stop": parameter("Emergency stop circuit", "急停回路",
                                    channel=1, active_high=False, debounce_ms=5),
        "air_pressure_ok": parameter("Compressed air above the minimum", "压缩空气压力正常",
                                     channel=4, active_high=True, debounce_ms=200),
    })
    io.outputs = ParameterBook({
        "vacuum": parameter("Nozzle vacuum valve", "吸嘴真空阀", channel=0, pulse_ms=0),
        "blow_off": parameter("Short air blast to drop a part", "吹气放料", channel=1, pulse_ms=30),
        "tower_light": parameter("Signal tower channels", "三色灯通道",
                                 channels={"red": 5, "yellow": 6, "green": 7}, blink_hz=2.0),
    })
    return root


def main(argv=None):
    args = sys.argv[1:] if argv is None else argv
    if len(args) > 1 or (args and args[0].startswith("-")):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    directory = args[0] if args else DEFAULT_DIRECTORY
    build_tree().save(directory)
    print(directory)
    return 0


if __name__ == "__main__":
    sys.exit(main())

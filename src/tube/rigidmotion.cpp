#include "rigidmotion.h"

#include <Eigen/Dense>

#include <cmath>

namespace tubrix {

namespace {

Eigen::Vector3d ToEigen(Vec3 v) {
    return {v.X, v.Y, v.Z};
}

Vec3 FromEigen(const Eigen::Vector3d& v) {
    return {v.x(), v.y(), v.z()};
}

// The points' spread across their best line, against their spread along it: next to nothing
// when they lie in one line (or on one point), where a turn about that line fits them alike.
bool SpansAPlane(std::span<const Vec3> points) {
    Eigen::Vector3d mean = Eigen::Vector3d::Zero();
    for (const Vec3 p : points) {
        mean += ToEigen(p);
    }
    mean /= static_cast<double>(points.size());
    Eigen::Matrix3d scatter = Eigen::Matrix3d::Zero();
    for (const Vec3 p : points) {
        const Eigen::Vector3d d = ToEigen(p) - mean;
        scatter += d * d.transpose();
    }
    const Eigen::Vector3d spread =
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(scatter).eigenvalues(); // ascending
    return std::isfinite(spread(2)) && spread(2) > 0 && spread(1) > 1e-13 * spread(2);
}

// The turn that takes the unit direction `from` to `to` about their common normal: how a part of
// two points (a straight tube) is placed, the turn about its own axis being free.
RigidMotion TurnBetween(Vec3 from, Vec3 to) {
    const Eigen::Quaterniond turn = Eigen::Quaterniond::FromTwoVectors(ToEigen(from), ToEigen(to));
    const Eigen::Matrix3d r = turn.toRotationMatrix();
    RigidMotion motion;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            motion.Rotation[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = r(i, j);
        }
    }
    return motion;
}

} // namespace

Vec3 RigidMotion::Apply(Vec3 p) const {
    const auto& r = Rotation;
    return {r[0][0] * p.X + r[0][1] * p.Y + r[0][2] * p.Z + Translation.X,
            r[1][0] * p.X + r[1][1] * p.Y + r[1][2] * p.Z + Translation.Y,
            r[2][0] * p.X + r[2][1] * p.Y + r[2][2] * p.Z + Translation.Z};
}

WalkFrame RigidMotion::Frame() const {
    WalkFrame frame;
    for (std::size_t row = 0; row < 3; ++row) {
        for (std::size_t column = 0; column < 3; ++column) {
            frame.M[column * 4 + row] = Rotation[row][column];
        }
    }
    frame.M[12] = Translation.X;
    frame.M[13] = Translation.Y;
    frame.M[14] = Translation.Z;
    return frame;
}

Result<RigidMotion> BestRigidMotion(std::span<const Vec3> from, std::span<const Vec3> onto) {
    if (from.size() != onto.size() || from.size() < 3) {
        return Failed("fewer than three points fix no motion");
    }
    if (!SpansAPlane(from) || !SpansAPlane(onto)) {
        return Failed("the points lie in one line, which leaves a turn about it free");
    }
    const auto n = static_cast<double>(from.size());
    Eigen::Vector3d meanFrom = Eigen::Vector3d::Zero(), meanOnto = Eigen::Vector3d::Zero();
    for (std::size_t i = 0; i < from.size(); ++i) {
        meanFrom += ToEigen(from[i]);
        meanOnto += ToEigen(onto[i]);
    }
    meanFrom /= n;
    meanOnto /= n;
    Eigen::Matrix3d cross = Eigen::Matrix3d::Zero();
    for (std::size_t i = 0; i < from.size(); ++i) {
        cross += (ToEigen(from[i]) - meanFrom) * (ToEigen(onto[i]) - meanOnto).transpose();
    }
    // The turn that maximises trace(R H) is V U^T, with the last axis turned over when that
    // would be a reflection: the best proper rotation (Kabsch, Umeyama).
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(cross, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Matrix3d flip = Eigen::Matrix3d::Identity();
    if ((svd.matrixV() * svd.matrixU().transpose()).determinant() < 0) {
        flip(2, 2) = -1;
    }
    const Eigen::Matrix3d r = svd.matrixV() * flip * svd.matrixU().transpose();
    RigidMotion motion;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            motion.Rotation[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = r(i, j);
        }
    }
    motion.Translation = FromEigen(meanOnto - r * meanFrom);
    return motion;
}

double RmsDistance(const RigidMotion& motion, std::span<const Vec3> from,
                   std::span<const Vec3> onto) {
    double sum = 0;
    for (std::size_t i = 0; i < from.size() && i < onto.size(); ++i) {
        const Vec3 d = motion.Apply(from[i]) - onto[i];
        sum += Dot(d, d);
    }
    return from.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(from.size()));
}

RigidMotion Composed(const RigidMotion& a, const RigidMotion& b) {
    RigidMotion out;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            double sum = 0;
            for (std::size_t k = 0; k < 3; ++k) {
                sum += a.Rotation[i][k] * b.Rotation[k][j];
            }
            out.Rotation[i][j] = sum;
        }
    }
    out.Translation = a.Apply(b.Translation);
    return out;
}

RigidMotion WalkOntoPoints(std::span<const Vec3> walkPoints, std::span<const Vec3> points) {
    if (const Result<RigidMotion> fit = BestRigidMotion(walkPoints, points); fit) {
        return *fit;
    }
    RigidMotion motion = TurnBetween(Normalized(walkPoints.back() - walkPoints.front()),
                                     Normalized(points.back() - points.front()));
    motion.Translation = points.front() - motion.Apply(walkPoints.front());
    return motion;
}

} // namespace tubrix
